// Voice through the whole server at full house while the minute's charge comes round.
//
// 900 subscribers sign in over loopback; 450 of them start a talk with the other 450, the
// starts spread over one second, so that the talks fall on neighbouring charge seconds and
// some start while the first charges are made. Every party then sends one voice datagram
// per 120 ms, as clients do, for as long as it takes the billing tick to charge every talk
// twice (two minute boundaries) at a price per minute. A receiver measures each forwarded
// datagram's delay from the send time it carries.
//
// Reported: loss, and the 99th percentile of the delay per second of sending: the worst
// second, the worst charge second, and the worst second once every talk start has been
// handled (before that, a party's voice also waits for the server to handle its talk
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
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <set>
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
constexpr double PricePerMinute = 1.0;
constexpr int ReplyTimeoutS = 60;

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

// The subscribers' side, on threads of its own with plain sockets.
class Subscribers {
public:
    explicit Subscribers(quint16 serverPort) : serverPort_(serverPort)
    {
        voiceIn_ = BoundUdpSocket();
        voiceOut_ = BoundUdpSocket();
        talkingSince_ = std::vector<std::atomic<double>>(AccountCount);
        for (auto& since : talkingSince_)
            since = -1;
    }
    ~Subscribers()
    {
        for (int fd : connections_)
            ::close(fd);
        ::close(voiceIn_);
        ::close(voiceOut_);
    }

    double Now() const { return std::chrono::duration<double>(Clock::now() - epoch_).count(); }

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
        voicePorts_.assign(AccountCount, 0);
        for (int i = 0; i < AccountCount; ++i) {
            char reply[5];
            if (!ReadExactly(connections_[static_cast<std::size_t>(i)], reply, sizeof reply) || reply[0] != 'V')
                continue;
            std::int32_t port = 0;
            std::memcpy(&port, reply + 1, sizeof port);
            voicePorts_[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(port);
            ++accepted;
        }
        epoch_ = Clock::now();
        signedIn_ = true;
        for (int k = 0; k < TalkCount; ++k) {
            std::this_thread::sleep_until(epoch_ + StartSpread * k / TalkCount);
            Send(k, BuildMessage('S', 1, {std::int32_t{FirstAccount + TalkCount + k}}));
            const double now = Now();
            talkingSince_[static_cast<std::size_t>(k)] = now;
            talkingSince_[static_cast<std::size_t>(TalkCount + k)] = now;
        }
        return accepted;
    }

    // Every talking party sends once per interval, the sends spread evenly over it, until
    // the tick has run TicksWanted times.
    void SendVoice(std::vector<double>& sendTimes, const std::atomic<int>& ticks)
    {
        while (!signedIn_)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        VoicePacket packet;
        packet.Samples.assign(SamplesPerPacket, 0x55);
        std::int32_t sequence = 0;
        for (int round = 0;; ++round) {
            const auto roundStart = epoch_ + PacketInterval * round;
            if (ticks.load() >= TicksWanted
                || std::chrono::duration<double>(roundStart - epoch_).count() >= MaxVoiceSeconds)
                break;
            packet.Sequence = sequence++;
            for (int i = 0; i < AccountCount; ++i) {
                std::this_thread::sleep_until(roundStart + PacketInterval * i / AccountCount);
                const double since = talkingSince_[static_cast<std::size_t>(i)];
                if (since < 0)
                    continue;
                packet.SendTime = Now();
                const ByteString bytes = PackVoicePacket(packet);
                const sockaddr_in to = Loopback(voicePorts_[static_cast<std::size_t>(i)]);
                if (::sendto(voiceOut_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                             sizeof to) > 0)
                    sendTimes.push_back(packet.SendTime);
            }
        }
    }

    void ReceiveVoice(const std::atomic<bool>& sending, std::vector<Sample>& samples)
    {
        char buffer[8192];
        ByteString bytes;
        while (sending.load()) {
            pollfd fd{voiceIn_, POLLIN, 0};
            if (::poll(&fd, 1, 10) <= 0)
                continue;
            for (;;) {
                const ssize_t length = ::recv(voiceIn_, buffer, sizeof buffer, MSG_DONTWAIT);
                if (length <= 0)
                    break;
                const double arrived = Now();
                bytes.assign(buffer, static_cast<std::size_t>(length));
                DrainVoicePackets(bytes, [&](VoicePacket&& packet) {
                    samples.push_back({packet.SendTime, arrived - packet.SendTime});
                });
            }
        }
    }

    double EpochOffset(Clock::time_point at) const { return std::chrono::duration<double>(at - epoch_).count(); }
    bool SignedIn() const { return signedIn_; }

private:
    void Send(int index, const ByteString& message)
    {
        ::send(connections_[static_cast<std::size_t>(index)], message.data(), message.size(), MSG_NOSIGNAL);
    }

    quint16 serverPort_;
    int voiceIn_ = -1;
    int voiceOut_ = -1;
    std::vector<int> connections_;
    std::vector<std::uint16_t> voicePorts_;
    std::vector<std::atomic<double>> talkingSince_;
    std::atomic<bool> signedIn_{false};
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

    std::vector<Sample> samples;
    std::vector<double> sent;
    std::vector<std::pair<Clock::time_point, std::int32_t>> ticks;  // time, counter before
    std::int32_t counterBefore = 0;
    std::atomic<int> tickCount{0};
    QObject::connect(window.Timer1, &QTimer::timeout, &window, [&] {
        // Runs after the tick: the counter it saw is the one before it moved on.
        ticks.push_back({Clock::now(), counterBefore});
        counterBefore = inside.SecondCounter;
        ++tickCount;
    });
    int accepted = 0;
    for (auto _ : state) {
        Subscribers subscribers(window.ServerSocket1->Port());
        std::atomic<bool> sending{true};
        std::atomic<bool> done{false};
        auto calls = std::async(std::launch::async, [&] { return subscribers.SignInAndStartTalks(); });
        std::thread receiver([&] { subscribers.ReceiveVoice(sending, samples); });
        std::thread sender([&] {
            subscribers.SendVoice(sent, tickCount);
            std::this_thread::sleep_for(DrainTime);
            sending = false;
            done = true;
        });
        std::optional<Clock::time_point> allStarted;
        while (!done) {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
            if (!allStarted && inside.TalkList.size() == static_cast<std::size_t>(TalkCount))
                allStarted = Clock::now();
        }
        sender.join();
        receiver.join();
        accepted = calls.get();

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
