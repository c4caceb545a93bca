// Voice through the whole server at full house while the minute's charge comes round.
//
// 900 subscribers sign in over loopback; 450 of them start a talk with the other 450, the
// starts spread over one second, so that the talks fall on neighbouring charge seconds and
// some start while the first charges are made. Every party then sends one voice datagram
// per 120 ms, as clients do, for as long as it takes the billing tick to charge every talk
// twice (two minute boundaries) at a price per minute. The voice comes from outside the
// server's process, as it does in service: each direction is sent by a process of its own,
// and a third receives what the relay forwards and measures each datagram's delay from the
// send time it carries. (Load threads inside the server's process saw less than such a load
// sees.)
//
// Reported: loss, the CPU share of the server's threads but the main one while voice flows
// (the relay's, and an upper bound of it), and the 99th percentile of the delay per second of
// sending: the worst second, the worst charge second, and the worst second once every talk start
// has been handled (before that, a party's voice also waits for the server to handle its talk
// start); the table of every second goes to standard error.
#include "BenchServer.h"

#include "tests/server/ServerFormTestAccess.h"

#include "common/MessageFraming.h"
#include "platform/core/ResourceLimits.h"

#include <QTimer>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using namespace parlino;
using namespace parlino::bench;
using Clock = std::chrono::steady_clock;

constexpr int TalkCount = AccountCount / 2;
constexpr auto PacketInterval = std::chrono::milliseconds(120);
constexpr auto StartSpread = std::chrono::milliseconds(1000);
// Voice goes on until the tick has run this often: the first charges come at the first
// tick (or the second, for talks started just after it), the next ones 60 ticks later.
constexpr int TicksWanted = 64;
constexpr double MaxVoiceSeconds = 150.0;
constexpr auto DrainTime = std::chrono::milliseconds(500);
constexpr double PricePerMinute = 0.01;
constexpr int ReplyTimeoutS = 60;

double CpuSeconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

sockaddr_in Loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int BoundUdpSocket()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address = Loopback(0);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int size = 8 << 20;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    return fd;
}

std::uint16_t PortOf(int fd)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

bool ReadExactly(int fd, char* into, std::size_t count)
{
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::recv(fd, into + got, count - got, 0);
        if (n <= 0)
            return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

struct Sample {
    double sendTime;
    double delay;
};

// What the load processes share with the benchmark: a mapping made before they are forked.
// Times are seconds of the steady clock since the talks' epoch, which every process reads
// alike.
struct SharedLoad {
    static constexpr long MaxRounds = static_cast<long>(MaxVoiceSeconds / 0.120) + 2;
    static constexpr long MaxSent = MaxRounds * TalkCount;
    static constexpr long MaxSamples = 2 * MaxSent;

    std::atomic<std::int64_t> epochNs{0};  // 0 until everybody has signed in
    std::atomic<int> ticks{0};
    std::atomic<bool> receiving{true};
    std::array<std::atomic<std::uint16_t>, AccountCount> voicePorts{};
    std::array<std::atomic<double>, AccountCount> talkingSince{};
    std::array<std::atomic<long>, 2> sentCount{};
    std::array<std::array<double, MaxSent>, 2> sent{};
    std::atomic<long> sampleCount{0};
    std::array<Sample, MaxSamples> samples{};
};

// An anonymous shared mapping that holds one SharedLoad.
class SharedLoadMapping {
public:
    SharedLoadMapping()
    {
        void* memory = ::mmap(nullptr, sizeof(SharedLoad), PROT_READ | PROT_WRITE,
                              MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED)
            throw std::runtime_error("cannot map the load's shared memory");
        load_ = new (memory) SharedLoad;
    }
    ~SharedLoadMapping()
    {
        load_->~SharedLoad();
        ::munmap(load_, sizeof(SharedLoad));
    }
    SharedLoadMapping(const SharedLoadMapping&) = delete;
    SharedLoadMapping& operator=(const SharedLoadMapping&) = delete;
    SharedLoad& operator*() const { return *load_; }

private:
    SharedLoad* load_ = nullptr;
};

// Runs `work` in a child process of its own, as a load from outside the server would.
pid_t ForkLoad(const std::function<void()>& work)
{
    const pid_t child = ::fork();
    if (child == 0) {
        work();
        ::_exit(0);
    }
    if (child < 0)
        throw std::runtime_error("cannot fork a load process");
    return child;
}

bool Exited(pid_t child)
{
    int status = 0;
    return ::waitpid(child, &status, WNOHANG) == child;
}

// The subscribers' side. Sign-in and talk starts run on a thread of the benchmark; the voice
// of each direction is sent by a process of its own, and received by a third.
class Subscribers {
public:
    Subscribers(quint16 serverPort, SharedLoad& shared) : serverPort_(serverPort), shared_(shared)
    {
        voiceIn_ = BoundUdpSocket();
        for (auto& since : shared_.talkingSince)
            since = -1;
    }
    ~Subscribers()
    {
        for (int fd : connections_)
            ::close(fd);
        ::close(voiceIn_);
    }

    // Signs everybody in, then starts the talks spread over StartSpread. Returns the
    // number of acceptances.
    int SignInAndStartTalks()
    {
        timeval timeout{ReplyTimeoutS, 0};
        const sockaddr_in server = Loopback(serverPort_);
        for (int i = 0; i < AccountCount; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
            connections_.push_back(fd);
            if (::connect(fd, reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0)
                continue;
            Send(i, BuildMessage('P', 4, {std::int32_t{PortOf(voiceIn_)}, std::int32_t{FirstAccount + i},
                                          std::string("582047"), std::string()}));
        }
        int accepted = 0;
        for (int i = 0; i < AccountCount; ++i) {
            char reply[5];
            if (!ReadExactly(connections_[static_cast<std::size_t>(i)], reply, sizeof reply) || reply[0] != 'V')
                continue;
            std::int32_t port = 0;
            std::memcpy(&port, reply + 1, sizeof port);
            shared_.voicePorts[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(port);
            ++accepted;
        }
        // Every callee answers first: a talk starts only on the answer its payer was given.
        for (int k = 0; k < TalkCount; ++k)
            Send(TalkCount + k, BuildMessage('A', 1, {std::int32_t{FirstAccount + k}}));
        for (int k = 0; k < TalkCount; ++k) {
            char answer = 0;
            if (!ReadExactly(connections_[static_cast<std::size_t>(k)], &answer, 1) ||
                answer != 'A')
                std::fprintf(stderr, "no answer reached %d\n", FirstAccount + k);
        }
        epoch_ = Clock::now();
        shared_.epochNs =
            std::chrono::duration_cast<std::chrono::nanoseconds>(epoch_.time_since_epoch()).count();
        for (int k = 0; k < TalkCount; ++k) {
            std::this_thread::sleep_until(epoch_ + StartSpread * k / TalkCount);
            Send(k, BuildMessage('S', 1, {std::int32_t{FirstAccount + TalkCount + k}}));
            const double now = EpochOffset(Clock::now());
            shared_.talkingSince[static_cast<std::size_t>(k)] = now;
            shared_.talkingSince[static_cast<std::size_t>(TalkCount + k)] = now;
        }
        return accepted;
    }

    // Load process: every talking party of one direction (0: the callers, 1: the called)
    // sends once per interval, the sends of both directions spread evenly over it, until
    // the tick has run TicksWanted times.
    void SendVoice(int direction) const
    {
        const int voiceOut = BoundUdpSocket();
        const Clock::time_point epoch = WaitForEpoch();
        VoicePacket packet;
        packet.Samples.assign(SamplesPerPacket, 0x55);
        auto& sent = shared_.sent[static_cast<std::size_t>(direction)];
        long count = 0;
        for (int round = 0; round < SharedLoad::MaxRounds; ++round) {
            const auto roundStart = epoch + PacketInterval * round;
            if (shared_.ticks.load() >= TicksWanted ||
                std::chrono::duration<double>(roundStart - epoch).count() >= MaxVoiceSeconds)
                break;
            packet.Sequence = round;
            for (int i = direction * TalkCount; i < (direction + 1) * TalkCount; ++i) {
                std::this_thread::sleep_until(roundStart + PacketInterval * i / AccountCount);
                if (shared_.talkingSince[static_cast<std::size_t>(i)] < 0)
                    continue;
                packet.SendTime = std::chrono::duration<double>(Clock::now() - epoch).count();
                const ByteString bytes = PackVoicePacket(packet);
                const sockaddr_in to = Loopback(shared_.voicePorts[static_cast<std::size_t>(i)]);
                if (::sendto(voiceOut, bytes.data(), bytes.size(), 0,
                             reinterpret_cast<const sockaddr*>(&to), sizeof to) > 0)
                    sent[static_cast<std::size_t>(count++)] = packet.SendTime;
            }
        }
        shared_.sentCount[static_cast<std::size_t>(direction)] = count;
        ::close(voiceOut);
    }

    // Load process: takes every forwarded datagram until told to stop.
    void ReceiveVoice() const
    {
        const Clock::time_point epoch = WaitForEpoch();
        char buffer[8192];
        ByteString bytes;
        long count = 0;
        while (shared_.receiving.load()) {
            pollfd fd{voiceIn_, POLLIN, 0};
            if (::poll(&fd, 1, 10) <= 0)
                continue;
            for (;;) {
                const ssize_t length = ::recv(voiceIn_, buffer, sizeof buffer, MSG_DONTWAIT);
                if (length <= 0)
                    break;
                const double arrived = std::chrono::duration<double>(Clock::now() - epoch).count();
                bytes.assign(buffer, static_cast<std::size_t>(length));
                DrainVoicePackets(bytes, [&](VoicePacket&& packet) {
                    if (count < SharedLoad::MaxSamples)
                        shared_.samples[static_cast<std::size_t>(count++)] = {
                            packet.SendTime, arrived - packet.SendTime};
                });
            }
        }
        shared_.sampleCount = count;
    }

    double EpochOffset(Clock::time_point at) const
    {
        return std::chrono::duration<double>(at - epoch_).count();
    }

private:
    Clock::time_point WaitForEpoch() const
    {
        while (shared_.epochNs.load() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return Clock::time_point(std::chrono::nanoseconds(shared_.epochNs.load()));
    }

    void Send(int index, const ByteString& message)
    {
        ::send(connections_[static_cast<std::size_t>(index)], message.data(), message.size(), MSG_NOSIGNAL);
    }

    quint16 serverPort_;
    SharedLoad& shared_;
    int voiceIn_ = -1;
    std::vector<int> connections_;
    Clock::time_point epoch_;
};

double Percentile99(std::vector<double>& values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, values.size() * 99 / 100)];
}

void BM_RelayThroughCharges(benchmark::State& state)
{
    BenchServer server;
    TZeltServerForm1& window = server.Window();
    ServerFormTestAccess inside(window);
    inside.NetPayPerMin = PricePerMinute;
    if (!server.Listening()) {
        state.SkipWithError("cannot listen");
        return;
    }

    SharedLoadMapping mapping;
    SharedLoad& shared = *mapping;
    std::vector<std::pair<Clock::time_point, std::int32_t>> ticks;  // time, counter before
    std::int32_t counterBefore = 0;
    QObject::connect(window.Timer1, &QTimer::timeout, &window, [&] {
        // Runs after the tick: the counter it saw is the one before it moved on.
        ticks.push_back({Clock::now(), counterBefore});
        counterBefore = inside.SecondCounter;
        ++shared.ticks;
    });
    int accepted = 0;
    for (auto _ : state) {
        Subscribers subscribers(window.ServerSocket1->Port(), shared);
        // Forked before the sign-in thread starts, so that each copies only this thread.
        const pid_t receiver = ForkLoad([&] { subscribers.ReceiveVoice(); });
        const std::array<pid_t, 2> senders{ForkLoad([&] { subscribers.SendVoice(0); }),
                                           ForkLoad([&] { subscribers.SendVoice(1); })};
        auto calls = std::async(std::launch::async,
                                [&] { return subscribers.SignInAndStartTalks(); });
        std::optional<Clock::time_point> allStarted;
        std::array<bool, 2> senderDone{false, false};
        double cpuBefore = 0, mainCpuBefore = 0;
        Clock::time_point voiceStart;
        const auto serve = [&] {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
            if (!allStarted && inside.TalkList.size() == static_cast<std::size_t>(TalkCount))
                allStarted = Clock::now();
            if (voiceStart == Clock::time_point{} && shared.epochNs.load() != 0) {
                voiceStart = Clock::now();
                cpuBefore = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
                mainCpuBefore = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
            }
        };
        while (!senderDone[0] || !senderDone[1]) {
            serve();
            for (std::size_t d = 0; d < senders.size(); ++d)
                senderDone[d] = senderDone[d] || Exited(senders[d]);
        }
        const double voiceSeconds =
            std::chrono::duration<double>(Clock::now() - voiceStart).count();
        const double otherThreadsCpu = (CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpuBefore) -
            (CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - mainCpuBefore);
        for (const auto drainEnd = Clock::now() + DrainTime; Clock::now() < drainEnd;)
            serve();
        shared.receiving = false;
        while (!Exited(receiver))
            serve();
        accepted = calls.get();
        const std::vector<Sample> samples(shared.samples.begin(),
                                          shared.samples.begin() + shared.sampleCount.load());
        std::vector<double> sent;
        for (std::size_t d = 0; d < senders.size(); ++d)
            sent.insert(sent.end(), shared.sent[d].begin(),
                        shared.sent[d].begin() + shared.sentCount[d].load());
        state.counters["server_cpu_pct_but_main_thread"] = voiceSeconds > 0
            ? 100.0 * otherThreadsCpu / voiceSeconds
            : 0;

        std::set<std::int32_t> phases;
        for (const auto& talk : inside.TalkList)
            phases.insert(talk->MinutePhase);
        std::set<int> chargeSeconds;
        for (const auto& [at, counter] : ticks)
            if (phases.count(counter))
                chargeSeconds.insert(static_cast<int>(subscribers.EpochOffset(at)));

        std::map<int, std::vector<double>> delays;
        std::map<int, long> sentPer;
        for (const double sendTime : sent)
            ++sentPer[static_cast<int>(sendTime)];
        for (const Sample& sample : samples)
            delays[static_cast<int>(sample.sendTime)].push_back(sample.delay * 1000);
        const int startsHandled = allStarted ? static_cast<int>(subscribers.EpochOffset(*allStarted)) : 1 << 30;
        double worst = 0, worstCharge = 0, worstAfterStarts = 0, typical = 0;
        int worstSecond = -1;
        std::vector<double> perSecond;
        std::fprintf(stderr, "second  sent  lost  p99_ms  charge\n");
        for (auto& [second, values] : delays) {
            const long lost = sentPer[second] - static_cast<long>(values.size());
            const double p99 = Percentile99(values);
            const bool charge = chargeSeconds.count(second) || chargeSeconds.count(second + 1);
            std::fprintf(stderr, "%6d %5ld %5ld %7.1f  %s\n", second, sentPer[second], lost, p99,
                         charge ? "charge" : "");
            perSecond.push_back(p99);
            if (p99 > worst) {
                worst = p99;
                worstSecond = second;
            }
            if (charge)
                worstCharge = std::max(worstCharge, p99);
            if (second > startsHandled)
                worstAfterStarts = std::max(worstAfterStarts, p99);
        }
        if (!perSecond.empty()) {
            std::sort(perSecond.begin(), perSecond.end());
            typical = perSecond[perSecond.size() / 2];
        }
        state.counters["accepted"] = accepted;
        state.counters["talks"] = static_cast<double>(inside.TalkList.size());
        state.counters["charge_ticks"] = static_cast<double>(chargeSeconds.size());
        state.counters["sent"] = static_cast<double>(sent.size());
        state.counters["lost"] = static_cast<double>(static_cast<long>(sent.size()) - static_cast<long>(samples.size()));
        state.counters["p99_worst_second_ms"] = worst;
        state.counters["worst_second"] = worstSecond;
        state.counters["p99_worst_charge_second_ms"] = worstCharge;
        state.counters["p99_median_second_ms"] = typical;
        state.counters["p99_worst_second_after_starts_ms"] = worstAfterStarts;
        state.counters["starts_handled_at_s"] = startsHandled;
    }
    window.DropAllTalks();
    if (accepted != AccountCount)
        state.SkipWithError("not every sign-in was accepted");
}
BENCHMARK(BM_RelayThroughCharges)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    RaiseOpenFileLimit();
    return RunQtBenchmarks(argc, argv);
}
