#include "platform/audio/PcmWaveStream.h"
#include "platform/audio/WaveAudio.h"

#include "AudioTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace parlino {
namespace {

using test::Eventually;
using test::TestBuffer;

#ifdef PARLINO_HAVE_ALSA

TEST(AlsaDeviceTest, NullDeviceOpensStartsResetsAndCloses)
{
    WaveAudio audio("alsa:null");
    AutoResetEvent event;
    std::string error;
    auto in = audio.openWaveIn(MuLawVoiceFormat(), event, error);
    if (!in)
        GTEST_SKIP() << "this machine has no ALSA \"null\" device: " << error;
    auto out = audio.openWaveOut(MuLawVoiceFormat(), event, error);
    ASSERT_NE(out, nullptr) << error;
    EXPECT_NE(in->name().find("null"), std::string::npos);

    TestBuffer c0(960), c1(960), p0(960, 0xFF);
    for (TestBuffer* b : {&c0, &c1}) {
        ASSERT_EQ(in->prepareHeader(b->header), WaveResult::Ok);
        ASSERT_EQ(in->addBuffer(b->header), WaveResult::Ok);
    }
    ASSERT_EQ(in->start(), WaveResult::Ok);
    ASSERT_EQ(out->prepareHeader(p0.header), WaveResult::Ok);
    ASSERT_EQ(out->write(p0.header), WaveResult::Ok);
    EXPECT_TRUE(Eventually([&] { return p0.header.done(); }))
        << "the null device takes what it is given";

    ASSERT_EQ(in->reset(), WaveResult::Ok);
    EXPECT_TRUE(c0.header.done());
    EXPECT_TRUE(c1.header.done());
    EXPECT_EQ(in->queuedCount(), 0u);
    EXPECT_EQ(in->close(), WaveResult::Ok);
    EXPECT_EQ(out->close(), WaveResult::Ok);
}

TEST(AlsaDeviceTest, ADeviceThatCannotOpenIsNamedWithALSAsReason)
{
    WaveAudio audio("alsa:no-such-pcm");
    AutoResetEvent event;
    std::string error;
    EXPECT_EQ(audio.openWaveOut(MuLawVoiceFormat(), event, error), nullptr);
    EXPECT_NE(error.find("ALSA device \"no-such-pcm\""), std::string::npos) << error;
    EXPECT_GT(error.size(),
              std::string("ALSA device \"no-such-pcm\": cannot open for playback: ").size())
        << error;
}

#else

TEST(AlsaDeviceTest, NullDeviceOpensStartsResetsAndCloses)
{
    GTEST_SKIP() << "built without ALSA";
}

#endif

// A PCM device with a buffer of one packet in 20 ms periods that plays one period whenever
// the stream waits for it or asks what is queued: its position moves with the calls, not
// with the time they take.
class SteppingPcm : public PcmDevice {
public:
    static constexpr long BufferFrames = 960;
    static constexpr long Period = 160;

    long readFrames(void*, unsigned long) override { return -EAGAIN; }
    long writeFrames(const void* data, unsigned long frames) override
    {
        state_ = State::Running;
        const long n = std::min<long>(static_cast<long>(frames),
                                      BufferFrames - (static_cast<long>(written.size()) - played));
        if (n == 0)
            return -EAGAIN;
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        written.insert(written.end(), bytes, bytes + n);
        return n;
    }
    void wait(int) override { playPeriod(); }
    int queued(long& frames) override
    {
        playPeriod();
        frames = static_cast<long>(written.size()) - played;
        return 0;
    }
    int recover(int error) override { return error; }
    State state() override { return state_; }
    int prepare() override { return 0; }
    int start() override
    {
        state_ = State::Running;
        return 0;
    }
    int drop() override { return 0; }
    std::string errorText(int error) const override { return std::strerror(-error); }
    unsigned long periodFrames() const override { return Period; }

    std::vector<std::uint8_t> written;
    long played = 0;

private:
    void playPeriod()
    {
        played = std::min<long>(played + Period, static_cast<long>(written.size()));
    }

    State state_ = State::Prepared;
};

TEST(AlsaDeviceTest, APlayedBufferIsDoneWhenAsMuchHasPlayedSinceTheStartAsOnAWaveDevice)
{
    // The period the stream leaves queued behind each buffer, so that the device does not run
    // dry, is silence ahead of the first buffer: a buffer is not done a period early, which
    // would move the playback refills ahead of the arriving voice.
    auto owned = std::make_unique<SteppingPcm>();
    SteppingPcm& pcm = *owned;
    PcmWaveStream stream(std::move(owned), "stepping", false, MuLawVoiceFormat(), false);
    std::atomic<bool> interrupt{false};
    std::vector<std::uint8_t> first(960, 0x11), second(960, 0x22);

    ASSERT_EQ(stream.transfer(first.data(), first.size(), interrupt), 960u);
    EXPECT_EQ(pcm.played, 960) << "the first buffer was done after " << pcm.played << " frames";
    ASSERT_EQ(stream.transfer(second.data(), second.size(), interrupt), 960u);
    EXPECT_EQ(pcm.played, 1920) << "the second buffer was done after " << pcm.played << " frames";

    std::vector<std::uint8_t> expected(SteppingPcm::Period, 0xFF);  // mu-law silence
    expected.insert(expected.end(), first.begin(), first.end());
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(pcm.written, expected);
}

TEST(AlsaDeviceTest, WithoutAChoiceADefaultThatCannotOpenGivesWayToNullOnce)
{
    WaveAudio audio(std::string(""));
    AutoResetEvent event;
    std::string error;
    testing::internal::CaptureStderr();
    auto out = audio.openWaveOut(MuLawVoiceFormat(), event, error);
    auto in = audio.openWaveIn(MuLawVoiceFormat(), event, error);
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_NE(out, nullptr) << error;
    ASSERT_NE(in, nullptr) << error;
    if (out->name().find("ALSA") != std::string::npos)
        GTEST_SKIP() << "ALSA \"default\" opens on this machine";
    EXPECT_EQ(out->name(), "emulated audio device");
    EXPECT_EQ(in->name(), "emulated audio device");
    const std::string line = "using the emulated \"null\" audio device\n";
    ASSERT_NE(said.find(line), std::string::npos) << said;
    EXPECT_EQ(said.find(line), said.size() - line.size()) << "said once: " << said;
    EXPECT_NE(said.find("ALSA device \"default\""), std::string::npos) << said;
}

}  // namespace
}  // namespace parlino
