// The voice relay under the load of many simultaneous talks on loopback.
//
// Every party of every talk sends one 973-byte voice datagram per 120 ms, as clients do,
// spread evenly over each 120 ms. A receiver thread takes what the relay forwards and
// measures, from the send time carried in each packet, how long it took. Reported per run:
// datagrams sent and lost, latency median and 99th percentile, and the CPU time of the
// relay thread (the process's CPU time less that of the load and measuring threads).
#include "common/MessageFraming.h"
#include "platform/core/MainThreadCalls.h"
#include "platform/core/ResourceLimits.h"
#include "platform/net/SocketWait.h"
#include "server/relay/ZeltListenerUnit1.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

namespace parlino {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto PacketInterval = std::chrono::milliseconds(120);
constexpr int Rounds = 50;  // 6 s of voice per run
constexpr auto DrainTime = std::chrono::milliseconds(400);

double CpuSeconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

class Talks : public TalkPairSource {
public:
    std::vector<TTalkPair> pairs;
    std::vector<TTalkPair> currentTalkPairs() const override { return pairs; }
};

struct Subscriber {
    int clientId = 0;
    net::UdpSocket receiver;
    net::UdpSocket sender;
};

struct LoadResult {
    long sent = 0;
    long received = 0;
    double medianMs = 0;
    double p99Ms = 0;
    double relayCpuSeconds = 0;
};

class RelayLoad {
public:
    explicit RelayLoad(int talkCount)
    {
        for (int i = 0; i < talkCount; ++i)
            talks_.pairs.push_back({101 + i, 101 + talkCount + i});
        for (int i = 0; i < 2 * talkCount; ++i) {
            auto subscriber = std::make_unique<Subscriber>();
            subscriber->clientId = 101 + i;
            subscriber->receiver.setLocalAddress("127.0.0.1");
            subscriber->receiver.allocate();
            subscriber->receiver.bind();
            subscriber->receiver.setNonBlocking(true);
            const std::uint16_t serverPort = sockets_.replaceVoiceSockets(
                subscriber->clientId, "127.0.0.1", "127.0.0.1", subscriber->receiver.boundPort());
            subscriber->sender.setLocalAddress("127.0.0.1");
            subscriber->sender.allocate();
            subscriber->sender.bind();
            subscriber->sender.setPeer("127.0.0.1", serverPort);
            subscriber->sender.connect();
            subscribers_.push_back(std::move(subscriber));
        }
    }

    LoadResult Run()
    {
        epoch_ = Clock::now();
        talksChanged_ = true;
        TZeltUDPListenerThread relay(sockets_, talkLock_, talksChanged_, talks_);
        relay.resume();
        MainThreadCalls::ServeUntil([&] { return !talksChanged_.load(); }, 5000);

        const double processCpuBefore = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const double mainCpuBefore = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        std::atomic<bool> sending{true};
        double senderCpu = 0, receiverCpu = 0;
        LoadResult result;
        std::vector<double> latencies;
        latencies.reserve(subscribers_.size() * Rounds);

        std::thread receiver([&] {
            const double before = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
            Receive(sending, latencies);
            receiverCpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - before;
        });
        std::thread sender([&] {
            const double before = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
            result.sent = Send();
            senderCpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - before;
            std::this_thread::sleep_for(DrainTime);
            sending = false;
        });
        sender.join();
        receiver.join();
        const double mainCpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - mainCpuBefore;
        const double processCpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processCpuBefore;
        relay.terminateAndWait();

        result.received = static_cast<long>(latencies.size());
        result.relayCpuSeconds = processCpu - senderCpu - receiverCpu - mainCpu;
        if (!latencies.empty()) {
            std::sort(latencies.begin(), latencies.end());
            result.medianMs = latencies[latencies.size() / 2] * 1000;
            result.p99Ms = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)] * 1000;
        }
        return result;
    }

private:
    double Now() const { return std::chrono::duration<double>(Clock::now() - epoch_).count(); }

    // Every subscriber sends once per interval, the sends spread evenly over it.
    long Send()
    {
        VoicePacket packet;
        packet.Samples.assign(SamplesPerPacket, 0x55);
        long sent = 0;
        const auto start = Clock::now();
        const auto count = static_cast<long>(subscribers_.size());
        for (int round = 0; round < Rounds; ++round) {
            for (long i = 0; i < count; ++i) {
                std::this_thread::sleep_until(start + PacketInterval * round + PacketInterval * i / count);
                packet.Sequence = round;
                packet.SendTime = Now();
                if (subscribers_[static_cast<std::size_t>(i)]->sender.send(PackVoicePacket(packet)) > 0)
                    ++sent;
            }
        }
        return sent;
    }

    void Receive(const std::atomic<bool>& sending, std::vector<double>& latencies)
    {
        std::vector<net::UdpSocket*> all;
        for (const auto& subscriber : subscribers_)
            all.push_back(&subscriber->receiver);
        char buffer[RelayReceiveLength];
        ByteString bytes;
        while (sending.load()) {
            std::vector<net::UdpSocket*> ready = all;
            if (net::WaitForSockets(ready, net::SocketReadiness::Readable, 10) <= 0)
                continue;
            for (net::UdpSocket* socket : ready) {
                for (;;) {
                    const std::int64_t length = socket->receiveFrom(buffer, sizeof buffer);
                    if (length <= 0)
                        break;
                    bytes.assign(buffer, static_cast<std::size_t>(length));
                    const double arrived = Now();
                    DrainVoicePackets(bytes, [&](VoicePacket&& packet) {
                        latencies.push_back(arrived - packet.SendTime);
                    });
                }
            }
        }
    }

    VoiceSocketTables sockets_;
    ReadWriteLock talkLock_;
    std::atomic<bool> talksChanged_{false};
    Talks talks_;
    std::vector<std::unique_ptr<Subscriber>> subscribers_;
    Clock::time_point epoch_;
};

void BM_RelayLoad(benchmark::State& state)
{
    RaiseOpenFileLimit();
    const int talkCount = static_cast<int>(state.range(0));
    LoadResult result;
    for (auto _ : state) {
        RelayLoad load(talkCount);
        result = load.Run();
    }
    state.counters["sent"] = static_cast<double>(result.sent);
    state.counters["lost"] = static_cast<double>(result.sent - result.received);
    state.counters["median_ms"] = result.medianMs;
    state.counters["p99_ms"] = result.p99Ms;
    state.counters["relay_cpu_s"] = result.relayCpuSeconds;
    state.counters["relay_cpu_pct"] = 100.0 * result.relayCpuSeconds / (Rounds * 0.120);
}

BENCHMARK(BM_RelayLoad)->Arg(10)->Arg(100)->Arg(450)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace parlino

BENCHMARK_MAIN();
