#include "platform/audio/SoundPlayer.h"

#include "AudioTestSupport.h"
#include "WaveFileBuilder.h"

#include "platform/audio/G711.h"
#include "platform/audio/WaveAudio.h"
#include "platform/audio/WaveImage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace parlino {
namespace {

using namespace std::chrono_literals;
using test::Eventually;
using test::TestBuffer;
using test::WaveFileBuilder;
using Bytes = WaveFileBuilder::Bytes;
using Kind = SoundPlayerEvent::Kind;

class SoundPlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::remove("tones.wav");
        std::remove("talk.wav");
    }

    static Bytes ReadRecording(const char* path)
    {
        WaveImage image;
        std::string error;
        EXPECT_TRUE(ReadWaveFile(path, image, error)) << path << ": " << error;
        return image.data;
    }

    std::vector<Kind> Kinds() const
    {
        std::vector<Kind> kinds;
        for (const SoundPlayerEvent& e : player.history())
            kinds.push_back(e.kind);
        return kinds;
    }

    ManualClock clock;
    WaveAudio audio{"file::talk.wav:tones.wav", clock};
    SoundPlayer& player = audio.soundPlayer();
    const Bytes ring = WaveFileBuilder::Ramp(1600);  // 200 ms of mu-law
    const Bytes ringImage = WaveFileBuilder().fmt().data(ring).build();
};

TEST_F(SoundPlayerTest, PlaysASoundOnceInTheBackground)
{
    clock.advance(5s);
    ASSERT_TRUE(player.play(ringImage));
    EXPECT_TRUE(player.isPlaying());
    clock.advance(199ms);
    EXPECT_TRUE(player.isPlaying());
    clock.advance(1ms);
    ASSERT_TRUE(Eventually([&] { return !player.isPlaying(); }));
    EXPECT_EQ(Kinds(), (std::vector<Kind>{Kind::Started, Kind::Finished}));
    EXPECT_EQ(player.history()[0].time, Clock::TimePoint(5s));
    EXPECT_EQ(player.history()[0].dataBytes, 1600u);

    clock.advance(1s);  // played once, never looped
    audio.soundPlayer().stop();
    EXPECT_EQ(ReadRecording("tones.wav"), ring);
}

TEST_F(SoundPlayerTest, ANewSoundReplacesTheOneSoundingAndNothingStopsIt)
{
    const Bytes busy(1600, 0x55);
    ASSERT_TRUE(player.play(ringImage));
    clock.advance(100ms);
    ASSERT_TRUE(player.play(WaveFileBuilder().fmt().data(busy).build()));
    clock.advance(50ms);
    ASSERT_TRUE(player.play({}));
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(Kinds(),
              (std::vector<Kind>{Kind::Started, Kind::Stopped, Kind::Started, Kind::Stopped}));
    EXPECT_EQ(player.history()[2].time, Clock::TimePoint(100ms));

    Bytes expected(ring.begin(), ring.begin() + 800);  // 100 ms of the first sound
    expected.insert(expected.end(), 400, 0x55);        // 50 ms of the second
    EXPECT_EQ(ReadRecording("tones.wav"), expected);
}

TEST_F(SoundPlayerTest, LinearSoundIsPlayedAsMuLaw)
{
    const std::vector<std::int16_t> samples = {0, 1000, -1000, 32000};
    Bytes data(samples.size() * 2);
    std::memcpy(data.data(), samples.data(), data.size());
    ASSERT_TRUE(player.play(WaveFileBuilder().fmt(LinearVoiceFormat()).data(data).build()));
    clock.advance(1ms);
    ASSERT_TRUE(Eventually([&] { return !player.isPlaying(); }));
    EXPECT_EQ(ReadRecording("tones.wav"),
              (Bytes{0xFF, LinearToMuLaw(1000), LinearToMuLaw(-1000), LinearToMuLaw(32000)}));
}

TEST_F(SoundPlayerTest, SoundsThatCannotBePlayedAreRefusedAndSilenceThePlayer)
{
    ASSERT_TRUE(player.play(ringImage));
    EXPECT_FALSE(player.play(Bytes{'n', 'o', 'i', 's', 'e'}));
    EXPECT_FALSE(player.isPlaying());
    const WaveFormat wideband = {WaveFormatPcm, 1, 16000, 32000, 2, 16, 0};
    EXPECT_FALSE(player.play(WaveFileBuilder().fmt(wideband).data(Bytes(64)).build()));
    EXPECT_EQ(Kinds(),
              (std::vector<Kind>{Kind::Started, Kind::Stopped, Kind::Failed, Kind::Failed}));
    EXPECT_EQ(player.history()[2].error, "not a RIFF WAVE file");
}

TEST_F(SoundPlayerTest, TheTalksPlaybackStopsTheToneAndRecordsOnlyTheTalk)
{
    ASSERT_TRUE(player.play(ringImage));
    AutoResetEvent event(clock);
    std::string error;
    auto out = audio.openWaveOut(MuLawVoiceFormat(), event, error);
    ASSERT_NE(out, nullptr) << error;
    EXPECT_FALSE(player.isPlaying());

    TestBuffer talk(960, 0x11);
    out->prepareHeader(talk.header);
    out->write(talk.header);
    clock.advance(120ms);
    ASSERT_TRUE(Eventually([&] { return talk.header.done(); }));
    out.reset();
    EXPECT_EQ(ReadRecording("talk.wav"), Bytes(960, 0x11));
    EXPECT_TRUE(ReadRecording("tones.wav").empty());
}

}  // namespace
}  // namespace parlino
