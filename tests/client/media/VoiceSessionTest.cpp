#include "VoiceRig.h"
#include "VoiceSessionTestAccess.h"
#include "WaveFileBuilder.h"

#include "client/media/CallClock.h"
#include "platform/core/MainThreadCalls.h"
#include "platform/thread/Clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <mutex>
#include <thread>

namespace parlino {
namespace {

using namespace std::chrono_literals;
using test::VoiceRig;

constexpr std::size_t CaptureLength = SamplesPerPacket * 5;

// The capture loops a ramp: sample j of the packet with Sequence k is byte (k * 960 + j) of
// the file, taken modulo its length, so every datagram shows where its sound came from.
std::string captureFile()
{
    static const std::string path = [] {
        test::WaveFileBuilder::Save(
            "capture.wav",
            test::WaveFileBuilder().fmt().data(test::WaveFileBuilder::Ramp(CaptureLength)).build());
        return std::string("capture.wav");
    }();
    return path;
}

std::int8_t rampSample(std::int64_t sequence, std::size_t j)
{
    const std::size_t at = (static_cast<std::size_t>(sequence) * SamplesPerPacket + j) % CaptureLength;
    return static_cast<std::int8_t>(static_cast<std::uint8_t>(at));
}

// A peer that sends datagrams straight to a rig's receive socket.
struct Peer {
    explicit Peer(std::uint16_t port)
    {
        test::BindLoopback(socket);
        socket.setPeer("127.0.0.1", port);
        socket.connect();
    }
    void send(std::int32_t sequence, std::int8_t fill, double sendTime)
    {
        VoicePacket packet;
        packet.Sequence = sequence;
        packet.Samples.assign(SamplesPerPacket, fill);
        packet.SendTime = sendTime;
        socket.send(PackVoicePacket(packet));
    }
    net::UdpSocket socket;
};

// Waits (bounded) until `done` holds, serving the threads' calls into the main thread.
bool serveUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        MainThreadCalls::ServePending();
        std::this_thread::sleep_for(200us);
    }
    return true;
}

TEST(VoiceSessionTest, DatagramsCarryTheCaptureInSequenceOverSocketSequenceModEight)
{
    // The capture moves on by one buffer only once the datagram before is out: a sender
    // late by a whole buffer, as on a busy machine, finds both buffers full and sends buffer
    // zero first (the next test), which swaps two sounds here.
    ManualClock clock;
    VoiceRig rig("file:" + captureFile() + ":", clock);
    rig.setTalk(false, QueryCounter());
    rig.session->StartVoice();
    double previousSendTime = 0;
    for (std::int32_t expected = 0; expected < 10; ++expected) {
        clock.advance(120ms);
        net::Endpoint from;
        const auto datagram = test::ReceiveDatagram(rig.server, 10000, &from);
        ASSERT_TRUE(datagram) << "no datagram " << expected;
        ASSERT_EQ(datagram->size(), VoicePacketSize);
        const auto packet = test::DecodeVoicePacket(*datagram);
        ASSERT_TRUE(packet);
        EXPECT_EQ(packet->Sequence, expected);
        EXPECT_EQ(from.port, rig.shared.voiceHandles.VoiceSendHandles[expected % 8].boundPort())
            << "datagram " << expected;
        EXPECT_EQ(packet->Samples[0], rampSample(expected, 0));
        EXPECT_EQ(packet->Samples[959], rampSample(expected, 959));
        EXPECT_GT(packet->SendTime, previousSendTime) << "datagram " << expected;
        EXPECT_LT(packet->SendTime, 30.0);
        previousSendTime = packet->SendTime;
    }
    EXPECT_GT(rig.session->SendRate(), 0);
    rig.session->StopVoice();
}

TEST(VoiceSessionTest, TwoFullBuffersLeaveAsConsecutiveDatagramsBufferZeroFirst)
{
    ManualClock clock;
    VoiceRig rig("file:" + captureFile() + ":", clock);
    VoiceSessionTestAccess access(*rig.session);
    rig.setTalk(false, QueryCounter());
    access.startVoiceHoldingSender();
    std::atomic<bool> bothFull{false};
    std::thread watch([&] {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        auto& headers = access.captureBuffers().headers;
        while (!(headers[0].done() && headers[1].done()) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(100us);
        bothFull = headers[0].done() && headers[1].done();
    });
    clock.advance(250ms);
    watch.join();
    ASSERT_TRUE(bothFull);
    access.resumeSender();

    for (std::int32_t expected = 0; expected < 2; ++expected) {
        net::Endpoint from;
        const auto datagram = test::ReceiveDatagram(rig.server, 3000, &from);
        ASSERT_TRUE(datagram);
        const auto packet = test::DecodeVoicePacket(*datagram);
        ASSERT_TRUE(packet);
        EXPECT_EQ(packet->Sequence, expected);
        EXPECT_EQ(from.port, rig.shared.voiceHandles.VoiceSendHandles[expected].boundPort());
        EXPECT_EQ(packet->Samples[5], rampSample(expected, 5)) << "buffer " << expected;
    }
    EXPECT_EQ(access.sendSeq(), 2);
    rig.session->StopVoice();
}

TEST(VoiceSessionTest, HalfDuplexSendsOnlyWhileTheTalkButtonIsHeld)
{
    VoiceRig rig("file:" + captureFile() + ":", MonotonicClock());
    VoiceSessionTestAccess access(*rig.session);
    rig.setTalk(true, QueryCounter());
    rig.session->StartVoice();
    // The level follows the microphone while nothing goes out.
    ASSERT_TRUE(serveUntil([&] { return rig.session->MicLevel() > 0; }));
    EXPECT_FALSE(test::ReceiveDatagram(rig.server, 0));
    EXPECT_EQ(access.sendSeq(), 0);

    rig.session->pressTalk();
    const auto datagram = test::ReceiveDatagram(rig.server, 3000);
    ASSERT_TRUE(datagram);
    const auto packet = test::DecodeVoicePacket(*datagram);
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->Sequence, 0) << "the first datagram sent takes the next sequence";

    // Stopping with the button held wakes the receive and playback threads to end them.
    rig.session->StopVoice();
    EXPECT_FALSE(access.threadsExist());
}

TEST(VoiceSessionTest, ATalkEndingFiftyMillisecondsAfterItsStartStopsPromptly)
{
    VoiceRig rig("file:" + captureFile() + ":", MonotonicClock());
    rig.setTalk(false, QueryCounter());
    rig.session->StartVoice();
    std::this_thread::sleep_for(50ms);
    const auto before = std::chrono::steady_clock::now();
    rig.session->StopVoice();
    // The threads end within a buffer (receiver: one read wait), not after a device wait.
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    EXPECT_FALSE(rig.session->running());
}

TEST(VoiceSessionTest, EveryTalkStartsWithFreshStoreSequenceAndThreads)
{
    ManualClock clock;
    VoiceRig rig("file:" + captureFile() + ":", clock);
    VoiceSessionTestAccess access(*rig.session);
    Peer peer(rig.receivePort());

    for (int talk = 0; talk < 2; ++talk) {
        SCOPED_TRACE(talk);
        const std::int32_t first = 50 + 2 * talk;
        // Waiting on the socket before the talk (after the last one, in the second round):
        // a store that took it would hold it in slot 1 beside the first datagram below.
        peer.send(first - 1, 0x2F, -100.0);
        rig.setTalk(false, QueryCounter());
        rig.session->StartVoice();
        const JitterStore fresh = access.jitter();
        EXPECT_EQ(fresh.JitterSlotSeq[0], -1);
        EXPECT_EQ(fresh.JitterSlotSeq[1], -1);
        EXPECT_EQ(fresh.PlaySeq, 0);
        EXPECT_EQ(fresh.HighestSeq, 0);

        // The first captured packet of every talk is Sequence 0.
        clock.advance(130ms);
        const auto datagram = test::ReceiveDatagram(rig.server, 3000);
        ASSERT_TRUE(datagram);
        EXPECT_EQ(test::DecodeVoicePacket(*datagram)->Sequence, 0);

        // An old datagram 50 ahead synchronises a fresh receiver; one 70 further on is then
        // dropped (a receiver left synchronised by the last talk would drop the first too).
        // The player may have moved on by the one packet that has been played meanwhile.
        peer.send(first, 0x21, -100.0);
        ASSERT_TRUE(serveUntil([&] { return access.jitter().JitterSlotSeq[0] == first; }));
        EXPECT_EQ(access.jitter().JitterSlotSeq[1], -1)
            << "a datagram from before the talk was placed";
        EXPECT_GE(access.jitter().PlaySeq, first);
        EXPECT_LE(access.jitter().PlaySeq, first + 1);
        peer.send(first + 70, 0x22, -100.0);
        peer.send(first + 1, 0x23, -100.0);  // the next one is stored
        ASSERT_TRUE(serveUntil([&] { return access.jitter().JitterSlotSeq[1] == first + 1; }));
        EXPECT_EQ(access.jitter().JitterSlotSeq[0], first) << "the far datagram was stored";

        rig.session->StopVoice();
        EXPECT_FALSE(access.threadsExist());
    }
}

TEST(VoiceSessionTest, HostileDatagramsNeitherCrashTheReceiverNorStallPlayback)
{
    VoiceRig rig("file:" + captureFile() + ":", MonotonicClock());
    VoiceSessionTestAccess access(*rig.session);
    Peer peer(rig.receivePort());
    const std::int64_t base = QueryCounter();
    const auto callNow = [&] {
        return CallSeconds(rig.shared.CounterAvailable, rig.shared.CounterFrequency, base,
                           QueryCounter());
    };
    rig.setTalk(false, base);
    rig.session->StartVoice();

    // Junk from the server's address.
    net::UdpSocket junk;
    test::BindLoopback(junk);
    junk.setPeer("127.0.0.1", rig.receivePort());
    junk.connect();
    junk.send("D\x01\x02");                        // short: waits for more bytes
    junk.send(std::string(9000, 'D'));             // long, cut by the receive buffer
    junk.send(std::string(VoicePacketSize, 'X'));  // no "D" anywhere
    peer.send(-5, 0x31, callNow());
    peer.send(std::numeric_limits<std::int32_t>::max(), 0x32, callNow());
    peer.send(std::numeric_limits<std::int32_t>::min(), 0x33, 1e300);
    peer.send(7, 0x34, std::nan(""));
    peer.send(8, 0x35, 1e12);

    // Genuine datagrams are placed again right after.
    std::int32_t sequence = 100;
    ASSERT_TRUE(serveUntil([&] {
        const std::int32_t sent = sequence++;
        peer.send(sent, 0x40, callNow());
        std::this_thread::sleep_for(5ms);
        return access.jitter().JitterSlotSeq[sent % 2] == sent;
    }));
    const JitterStore after = access.jitter();
    EXPECT_EQ(after.JitterSlots[(sequence - 1) % 2][0], 0x40);

    // A host other than the server is not heard; a packet split over two datagrams is.
    net::UdpSocket stranger;
    stranger.setLocalAddress("127.0.0.2");
    stranger.allocate();
    stranger.bind();
    stranger.setPeer("127.0.0.1", rig.receivePort());
    stranger.connect();
    VoicePacket foreign;
    foreign.Sequence = sequence + 1;
    foreign.Samples.assign(SamplesPerPacket, 0x66);
    foreign.SendTime = callNow();
    stranger.send(PackVoicePacket(foreign));
    VoicePacket split = foreign;
    split.Sequence = sequence;
    split.Samples.assign(SamplesPerPacket, 0x50);
    split.SendTime = callNow();
    const ByteString halves = PackVoicePacket(split);
    peer.socket.send(std::string_view(halves).substr(0, 500));
    peer.socket.send(std::string_view(halves).substr(500));
    ASSERT_TRUE(
        serveUntil([&] { return access.jitter().JitterSlotSeq[sequence % 2] == sequence; }));
    EXPECT_EQ(access.jitter().JitterSlots[sequence % 2][0], 0x50);
    EXPECT_NE(access.jitter().JitterSlotSeq[(sequence + 1) % 2], sequence + 1)
        << "a stranger's datagram was placed";

    // Playback keeps its pace.
    const std::int32_t playSeq = access.jitter().PlaySeq;
    EXPECT_TRUE(serveUntil([&] { return access.jitter().PlaySeq >= playSeq + 2; }));
    rig.session->StopVoice();
}

TEST(VoiceSessionTest, DevicesThatStopFinishingBuffersAreReportedAndTheTalkStillEnds)
{
    ManualClock clock;
    VoiceRig rig("file:" + captureFile() + ":", clock);
    rig.audio->setFaults({0, 0});
    struct Report {
        std::string text;
        Clock::TimePoint at;
    };
    std::mutex mutex;
    std::vector<Report> reports;
    rig.session->setErrorHook([&](const QString& text) {
        std::lock_guard<std::mutex> lock(mutex);
        reports.push_back({text.toStdString(), clock.now()});
    });
    const auto count = [&](const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex);
        int n = 0;
        for (const Report& r : reports)
            n += r.text == text;
        return n;
    };
    rig.setTalk(false, QueryCounter());
    rig.session->StartVoice();

    std::atomic<bool> done{false};
    std::thread advancer([&] {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (!done && std::chrono::steady_clock::now() < deadline) {
            clock.advance(5ms);
            std::this_thread::sleep_for(50us);
        }
    });
    const bool reported = serveUntil([&] { return count("WaveOut failed") >= 1; }, 20000);
    done = true;
    advancer.join();
    ASSERT_TRUE(reported);

    std::vector<Report> seen;
    {
        std::lock_guard<std::mutex> lock(mutex);
        seen = reports;
    }
    Clock::TimePoint firstIn = Clock::TimePoint::max();
    Clock::TimePoint firstOut = Clock::TimePoint::max();
    std::vector<Clock::TimePoint> waveIn;
    for (const Report& r : seen) {
        if (r.text == "WaveIn failed") {
            firstIn = std::min(firstIn, r.at);
            waveIn.push_back(r.at);
        } else if (r.text == "WaveOut failed") {
            firstOut = std::min(firstOut, r.at);
        } else {
            ADD_FAILURE() << "unexpected report " << r.text;
        }
    }
    EXPECT_GE(firstIn, Clock::TimePoint(10s));
    EXPECT_GE(firstOut, Clock::TimePoint(59s));
    ASSERT_GE(waveIn.size(), 2u) << "WaveIn failed comes again";
    for (std::size_t i = 1; i < waveIn.size(); ++i)
        EXPECT_GE(waveIn[i] - waveIn[i - 1], Clock::Duration(10s)) << "report " << i;
    // The threads leave their waits at once when the talk ends.
    rig.session->StopVoice();
    EXPECT_FALSE(rig.session->running());
}

}  // namespace
}  // namespace parlino
