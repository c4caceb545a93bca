// The voice relay under the load of many simultaneous talks on loopback.
//
// Every party of every talk sends one 973-byte voice datagram per 120 ms, as clients do,
// spread evenly over each 120 ms. A receiver thread takes what the relay forwards and
// measures, from the send time carried in each packet, how long it took. Reported per run:
// datagrams sent and lost, latency median and 99th percentile, and the CPU time of the
// relay thread (the process's CPU time less that of the load and measuring threads).
//
// On loopback the relay's send also wakes the measuring receiver, and that wake-up is charged
// to the relay thread; across a network it happens on the subscriber's machine. The second
// argument 1 makes the receiver poll without sleeping, so that the relay's own cost is seen.
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
    RelayLoad(int talkCount, bool receiverPolls) : receiverWaitMs_(receiverPolls ? 0 : 10)
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
            if (net::WaitForSockets(ready, net::SocketReadiness::Readable, receiverWaitMs_) <= 0)
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
    const int receiverWaitMs_;
};

void BM_RelayLoad(benchmark::State& state)
{
    RaiseOpenFileLimit();
    const int talkCount = static_cast<int>(state.range(0));
    LoadResult result;
    for (auto _ : state) {
        RelayLoad load(talkCount, state.range(1) != 0);
        result = load.Run();
    }
    state.counters["sent"] = static_cast<double>(result.sent);
    state.counters["lost"] = static_cast<double>(result.sent - result.received);
    state.counters["median_ms"] = result.medianMs;
    state.counters["p99_ms"] = result.p99Ms;
    state.counters["relay_cpu_s"] = result.relayCpuSeconds;
    state.counters["relay_cpu_pct"] = 100.0 * result.relayCpuSeconds / (Rounds * 0.120);
}

BENCHMARK(BM_RelayLoad)
    ->ArgsProduct({{10, 100, 450}, {0, 1}})
    ->ArgNames({"talks", "receiver_polls"})
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A hostile peer fires 8 KB junk datagrams at a talking party's voice port, 3,000 a
// second for two seconds, while the main thread asks for TalkLock for writing every
// 50 ms, as a sign-in does. Reported: the longest and the mean wait for the lock.
void BM_DatagramFlood(benchmark::State& state)
{
    RaiseOpenFileLimit();
    constexpr int FloodPerSecond = 3000;
    constexpr auto FloodTime = std::chrono::seconds(2);
    constexpr auto AskEvery = std::chrono::milliseconds(50);
    VoiceSocketTables sockets;
    ReadWriteLock talkLock;
    std::atomic<bool> talksChanged{false};
    Talks talks;
    net::UdpSocket receiver;
    receiver.setLocalAddress("127.0.0.1");
    receiver.allocate();
    receiver.bind();
    std::uint16_t victimPort = 0;
    for (int i = 0; i < 20; ++i) {
        const std::uint16_t port = sockets.replaceVoiceSockets(101 + i, "127.0.0.1", "127.0.0.1", receiver.boundPort());
        if (i == 0)
            victimPort = port;
    }
    for (int i = 0; i < 10; ++i)
        talks.pairs.push_back({101 + i, 111 + i});

    double longest = 0, total = 0;
    int asks = 0;
    for (auto _ : state) {
        talksChanged = true;
        TZeltUDPListenerThread relay(sockets, talkLock, talksChanged, talks);
        relay.resume();
        MainThreadCalls::ServeUntil([&] { return !talksChanged.load(); }, 5000);

        std::atomic<bool> flooding{true};
        std::thread flood([&] {
            net::UdpSocket hostile;
            hostile.setLocalAddress("127.0.0.1");
            hostile.allocate();
            hostile.bind();
            hostile.setPeer("127.0.0.1", victimPort);
            hostile.connect();
            const ByteString junk(8192, 'x');
            const auto start = Clock::now();
            for (long n = 0; Clock::now() - start < FloodTime; ++n) {
                std::this_thread::sleep_until(start + std::chrono::microseconds(1000000 / FloodPerSecond) * n);
                hostile.send(junk);
            }
            flooding = false;
        });
        while (flooding.load()) {
            std::this_thread::sleep_for(AskEvery);
            const auto asked = Clock::now();
            {
                WriteLockGuard guard(talkLock);
            }
            const double waited = std::chrono::duration<double>(Clock::now() - asked).count();
            longest = std::max(longest, waited);
            total += waited;
            ++asks;
        }
        flood.join();
        relay.terminateAndWait();
    }
    state.counters["lock_wait_max_ms"] = longest * 1000;
    state.counters["lock_wait_mean_ms"] = asks > 0 ? total * 1000 / asks : 0;
}
BENCHMARK(BM_DatagramFlood)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A talk whose parties have no voice sockets (they never signed in since the start): the
// relay has nothing to wait on. Reported: the relay thread's share of a core over 2 s.
void BM_TalkWithoutSockets(benchmark::State& state)
{
    VoiceSocketTables sockets;
    ReadWriteLock talkLock;
    std::atomic<bool> talksChanged{false};
    Talks talks;
    talks.pairs.push_back({101, 102});
    double cpuShare = 0;
    for (auto _ : state) {
        talksChanged = true;
        TZeltUDPListenerThread relay(sockets, talkLock, talksChanged, talks);
        relay.resume();
        MainThreadCalls::ServeUntil([&] { return !talksChanged.load(); }, 5000);
        const double processBefore = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const double mainBefore = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const auto start = Clock::now();
        MainThreadCalls::ServeUntil([] { return false; }, 2000);
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        const double relayCpu = (CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processBefore)
                                - (CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - mainBefore);
        cpuShare = relayCpu / wall;
        relay.terminateAndWait();
    }
    state.counters["relay_cpu_pct"] = 100.0 * cpuShare;
}
BENCHMARK(BM_TalkWithoutSockets)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace parlino

BENCHMARK_MAIN();
