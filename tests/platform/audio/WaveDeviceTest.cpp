#include "platform/audio/WaveAudio.h"

#include "AudioTestSupport.h"
#include "ClockDriver.h"
#include "WaveFileBuilder.h"

#include "platform/audio/G711.h"
#include "platform/audio/WaveImage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <future>

namespace parlino {
namespace {

using namespace std::chrono_literals;
using test::Eventually;
using test::Queue;
using test::TestBuffer;
using test::WaveFileBuilder;
using Bytes = WaveFileBuilder::Bytes;

class WaveDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WaveFileBuilder::Save("capture.wav",
                              WaveFileBuilder().fmt().data(WaveFileBuilder::Ramp(1000)).build());
        std::remove("playback.wav");
    }

    std::unique_ptr<WaveInDevice> OpenIn()
    {
        std::string error;
        auto device = audio.openWaveIn(MuLawVoiceFormat(), event, error);
        EXPECT_NE(device, nullptr) << error;
        EXPECT_EQ(event.wait(0), AutoResetEvent::WaitResult::Signalled) << "open notice";
        return device;
    }

    std::unique_ptr<WaveOutDevice> OpenOut()
    {
        std::string error;
        auto device = audio.openWaveOut(MuLawVoiceFormat(), event, error);
        EXPECT_NE(device, nullptr) << error;
        EXPECT_EQ(event.wait(0), AutoResetEvent::WaitResult::Signalled) << "open notice";
        return device;
    }

    // Waits (real time) for the device to mark `buffer` done and set the event.
    bool FinishedWithEvent(TestBuffer& buffer)
    {
        return Eventually([&] { return buffer.header.done(); }) &&
            event.wait(0) == AutoResetEvent::WaitResult::Signalled;
    }

    static Bytes Recorded()
    {
        WaveImage image;
        std::string error;
        EXPECT_TRUE(ReadWaveFile("playback.wav", image, error)) << error;
        EXPECT_EQ(image.format, MuLawVoiceFormat());
        return image.data;
    }

    ManualClock clock;
    WaveAudio audio{"file:capture.wav:playback.wav", clock};
    AutoResetEvent event{clock};
};

Bytes RampFrom(std::size_t start, std::size_t count, std::size_t period)
{
    Bytes b(count);
    for (std::size_t i = 0; i < count; ++i)
        b[i] = static_cast<std::uint8_t>((start + i) % period);
    return b;
}

TEST_F(WaveDeviceTest, CaptureFillsBuffersInOrderEvery120MsFromTheLoopedFile)
{
    auto in = OpenIn();
    TestBuffer b0(960), b1(960);
    for (TestBuffer* b : {&b0, &b1}) {
        ASSERT_EQ(in->prepareHeader(b->header), WaveResult::Ok);
        ASSERT_EQ(in->addBuffer(b->header), WaveResult::Ok);
    }
    clock.advance(500ms);  // nothing is captured before start()
    EXPECT_FALSE(b0.header.done());
    ASSERT_EQ(in->start(), WaveResult::Ok);

    clock.advance(119ms);
    EXPECT_FALSE(b0.header.done());
    clock.advance(1ms);
    ASSERT_TRUE(FinishedWithEvent(b0));
    EXPECT_EQ(b0.header.bytesRecorded, 960u);
    EXPECT_EQ(b0.bytes, RampFrom(0, 960, 1000));
    EXPECT_FALSE(b1.header.done());
    ASSERT_EQ(in->addBuffer(b0.header), WaveResult::Ok);

    clock.advance(120ms);
    ASSERT_TRUE(FinishedWithEvent(b1));
    EXPECT_EQ(b1.bytes, RampFrom(960, 960, 1000)) << "the file loops";
    EXPECT_FALSE(b0.header.done());
    clock.advance(120ms);
    ASSERT_TRUE(FinishedWithEvent(b0));
    EXPECT_EQ(b0.bytes, RampFrom(1920, 960, 1000));
}

TEST_F(WaveDeviceTest, CaptureFromLinearSoundAndFromNoFile)
{
    const std::vector<std::int16_t> linear = {1000, -1000, 30000, 0};
    Bytes data(linear.size() * 2);
    std::memcpy(data.data(), linear.data(), data.size());
    WaveFileBuilder::Save("linear.wav",
                          WaveFileBuilder().fmt(LinearVoiceFormat()).data(data).build());

    for (const char* choice : {"file:linear.wav:", "null"}) {
        WaveAudio other(choice, clock);
        std::string error;
        auto in = other.openWaveIn(MuLawVoiceFormat(), event, error);
        ASSERT_NE(in, nullptr) << error;
        TestBuffer b(8);
        in->prepareHeader(b.header);
        in->addBuffer(b.header);
        in->start();
        clock.advance(1ms);
        ASSERT_TRUE(Eventually([&] { return b.header.done(); })) << choice;
        const Bytes expected = std::string(choice) == "null"
            ? Bytes(8, 0xFF)
            : Bytes{LinearToMuLaw(1000), LinearToMuLaw(-1000), LinearToMuLaw(30000), 0xFF,
                    LinearToMuLaw(1000), LinearToMuLaw(-1000), LinearToMuLaw(30000), 0xFF};
        EXPECT_EQ(b.bytes, expected) << choice;
    }
}

TEST_F(WaveDeviceTest, PlaybackRecordsWhatItPlayedAtTheDevicePace)
{
    {
        auto out = OpenOut();
        TestBuffer b0(960), b1(960);
        b0.fill(RampFrom(0, 960, 256));
        b1.fill(RampFrom(7, 960, 256));
        for (TestBuffer* b : {&b0, &b1}) {
            out->prepareHeader(b->header);
            ASSERT_EQ(out->write(b->header), WaveResult::Ok);
        }
        clock.advance(120ms);
        ASSERT_TRUE(FinishedWithEvent(b0));
        EXPECT_FALSE(b1.header.done());
        clock.advance(120ms);
        ASSERT_TRUE(FinishedWithEvent(b1));
        out->unprepareHeader(b0.header);
        out->unprepareHeader(b1.header);
        ASSERT_EQ(out->close(), WaveResult::Ok);
        EXPECT_EQ(event.wait(0), AutoResetEvent::WaitResult::Signalled) << "close notice";
    }
    Bytes expected = RampFrom(0, 960, 256);
    const Bytes second = RampFrom(7, 960, 256);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(Recorded(), expected);

    // The next talk adds to the same recording.
    auto out = OpenOut();
    TestBuffer b(960, 0x42);
    out->prepareHeader(b.header);
    out->write(b.header);
    clock.advance(120ms);
    ASSERT_TRUE(FinishedWithEvent(b));
    out.reset();
    EXPECT_EQ(Recorded().size(), 3 * 960u);
}

TEST_F(WaveDeviceTest, AMinuteOfBuffersNeverRunsAheadOrDrifts)
{
    auto out = OpenOut();
    TestBuffer buffers[2] = {TestBuffer(960), TestBuffer(960)};
    for (TestBuffer& b : buffers) {
        out->prepareHeader(b.header);
        out->write(b.header);
    }
    // 500 buffers of 120 ms, the clock moving in uneven steps; at every step exactly
    // elapsed / 120 ms buffers are finished.
    int finished = 0;
    Clock::Duration elapsed{};
    const Clock::Duration steps[] = {37ms, 50ms, 33ms};
    for (int i = 0; elapsed < 60s; ++i) {
        clock.advance(steps[i % 3]);
        elapsed += steps[i % 3];
        const int expected = static_cast<int>(elapsed / 120ms);
        while (finished < expected) {
            TestBuffer& b = buffers[finished % 2];
            ASSERT_TRUE(Eventually([&] { return b.header.done(); })) << "buffer " << finished;
            ++finished;
            ASSERT_EQ(out->write(b.header), WaveResult::Ok);
        }
        ASSERT_FALSE(buffers[finished % 2].header.done())
            << "ran ahead at " << elapsed.count() << " ns";
    }
    EXPECT_EQ(finished, 500);
}

TEST_F(WaveDeviceTest, PlaybackThatRanDryStartsAfreshWithTheNextWrite)
{
    auto out = OpenOut();
    TestBuffer b(960);
    out->prepareHeader(b.header);
    out->write(b.header);
    clock.advance(120ms);
    ASSERT_TRUE(FinishedWithEvent(b));

    clock.advance(380ms);  // nothing queued: the device is idle
    ASSERT_EQ(out->write(b.header), WaveResult::Ok);
    clock.advance(119ms);
    EXPECT_FALSE(b.header.done()) << "a late buffer still plays for its whole length";
    clock.advance(1ms);
    EXPECT_TRUE(FinishedWithEvent(b));
}

TEST_F(WaveDeviceTest, ResetReturnsEveryQueuedBufferDoneAndStopsCapture)
{
    auto in = OpenIn();
    TestBuffer b0(960), b1(960);
    Queue(*in, {&b0, &b1});
    in->start();
    clock.advance(60ms);
    ASSERT_EQ(in->reset(), WaveResult::Ok);
    EXPECT_TRUE(b0.header.done());
    EXPECT_TRUE(b1.header.done());
    EXPECT_EQ(b0.header.bytesRecorded, 480u) << "half a buffer was captured";
    EXPECT_EQ(b1.header.bytesRecorded, 0u);
    EXPECT_EQ(in->queuedCount(), 0u);
    EXPECT_EQ(event.wait(0), AutoResetEvent::WaitResult::Signalled);
    EXPECT_EQ(in->unprepareHeader(b0.header), WaveResult::Ok);

    // Stopped: a buffer added now waits for the next start().
    in->prepareHeader(b0.header);
    in->addBuffer(b0.header);
    clock.advance(500ms);
    EXPECT_FALSE(b0.header.done());
    in->start();
    clock.advance(120ms);
    EXPECT_TRUE(FinishedWithEvent(b0));
    EXPECT_EQ(b0.header.bytesRecorded, 960u);

    auto out = OpenOut();
    TestBuffer p0(960), p1(960);
    Queue(*out, {&p0, &p1});
    ASSERT_EQ(out->reset(), WaveResult::Ok);
    EXPECT_TRUE(p0.header.done());
    EXPECT_TRUE(p1.header.done());
    EXPECT_EQ(event.wait(0), AutoResetEvent::WaitResult::Signalled);
}

TEST_F(WaveDeviceTest, CloseReturnsQueuedBuffersSignalsAndRefusesWhatFollows)
{
    auto in = OpenIn();
    TestBuffer b(960);
    in->prepareHeader(b.header);
    in->addBuffer(b.header);
    in->start();
    ASSERT_EQ(in->close(), WaveResult::Ok);
    EXPECT_TRUE(b.header.done());
    EXPECT_EQ(event.wait(0), AutoResetEvent::WaitResult::Signalled);
    EXPECT_EQ(in->addBuffer(b.header), WaveResult::Closed);
    EXPECT_EQ(in->start(), WaveResult::Closed);
    EXPECT_EQ(in->reset(), WaveResult::Closed);
    EXPECT_EQ(in->close(), WaveResult::Closed);
}

TEST_F(WaveDeviceTest, BuffersHandedWronglyAreRefused)
{
    auto out = OpenOut();
    TestBuffer b(960), unprepared(960), empty(0);
    EXPECT_EQ(out->write(unprepared.header), WaveResult::NotPrepared);
    EXPECT_EQ(out->prepareHeader(empty.header), WaveResult::InvalidHeader);
    ASSERT_EQ(out->prepareHeader(b.header), WaveResult::Ok);
    ASSERT_EQ(out->write(b.header), WaveResult::Ok);
    EXPECT_EQ(out->write(b.header), WaveResult::StillInQueue) << "handed twice";
    EXPECT_EQ(out->unprepareHeader(b.header), WaveResult::StillInQueue);
    EXPECT_EQ(out->queuedCount(), 1u);

    std::string error;
    auto linearOut = audio.openWaveOut(LinearVoiceFormat(), event, error);
    ASSERT_NE(linearOut, nullptr) << error;
    TestBuffer odd(961);
    EXPECT_EQ(linearOut->prepareHeader(odd.header), WaveResult::InvalidHeader) << "half a sample";
}

TEST_F(WaveDeviceTest, AStalledDeviceFinishesNoMoreBuffersUntilReset)
{
    audio.setFaults({1, -1});
    auto in = OpenIn();
    TestBuffer b0(960), b1(960);
    Queue(*in, {&b0, &b1});
    in->start();
    clock.advance(120ms);
    ASSERT_TRUE(FinishedWithEvent(b0));
    // A waiting thread gives up after 10 s, as the capture thread does.
    std::atomic<bool> gaveUp{false};
    auto waiter = std::async(std::launch::async, [&] {
        const auto result = event.wait(10000);
        gaveUp = true;
        return result;
    });
    ASSERT_TRUE(test::AdvanceUntil(clock, gaveUp, 10ms));
    EXPECT_EQ(waiter.get(), AutoResetEvent::WaitResult::TimedOut);
    EXPECT_FALSE(b1.header.done());
    in->reset();
    EXPECT_TRUE(b1.header.done());
}

TEST_F(WaveDeviceTest, DevicesThatCannotOpenSayWhich)
{
    WaveFileBuilder::Save(
        "stereo.wav",
        WaveFileBuilder().fmt({WaveFormatPcm, 2, 8000, 32000, 4, 16, 0}).data(Bytes(8)).build());
    WaveFileBuilder::Save("foreign.wav", Bytes{'J', 'U', 'N', 'K'});
    struct Case {
        const char* choice;
        bool capture;
        WaveFormat format;
        const char* mention;
    };
    const WaveFormat wideband = {WaveFormatPcm, 1, 16000, 32000, 2, 16, 0};
    const Case cases[] = {
        {"file:missing.wav:", true, MuLawVoiceFormat(), "missing.wav"},
        {"file:foreign.wav:", true, MuLawVoiceFormat(), "foreign.wav"},
        {"file:stereo.wav:", true, MuLawVoiceFormat(), "stereo.wav"},
        {"file::no-such-dir/out.wav", false, MuLawVoiceFormat(), "no-such-dir/out.wav"},
        {"null", false, wideband, "8000 Hz mono"},
        {"speaker", true, MuLawVoiceFormat(), "speaker"},
        {"file:only-one", false, MuLawVoiceFormat(), "file:only-one"},
    };
    for (const Case& c : cases) {
        WaveAudio other(c.choice, clock);
        std::string error;
        const bool opened = c.capture ? other.openWaveIn(c.format, event, error) != nullptr
                                      : other.openWaveOut(c.format, event, error) != nullptr;
        EXPECT_FALSE(opened) << c.choice;
        EXPECT_NE(error.find(c.mention), std::string::npos) << c.choice << ": " << error;
    }
}

}  // namespace
}  // namespace parlino
