#include "common/AudioHelpers.h"

#include "WaveFileBuilder.h"

#include "platform/audio/G711.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace parlino {
namespace {

using test::WaveFileBuilder;
using Bytes = WaveFileBuilder::Bytes;

std::int32_t LevelOfConstant(std::int16_t magnitude, std::int32_t count = 960)
{
    std::vector<std::int16_t> samples(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(i % 2 ? magnitude : -magnitude);
    return SignalLevel(samples.data(), count);
}

TEST(SignalLevelTest, ConstantMagnitudesAtTheBandEdges)
{
    struct Case {
        std::int16_t magnitude;
        std::int32_t level;
    };
    const Case cases[] = {{0, 0},    {1448, 0},  {1449, 1},  {2896, 1},  {2897, 2},  {5792, 2},
                          {5793, 3}, {11585, 3}, {11586, 4}, {23170, 4}, {23171, 5}, {32767, 5}};
    for (const Case& c : cases)
        EXPECT_EQ(LevelOfConstant(c.magnitude), c.level) << "magnitude " << c.magnitude;

    std::vector<std::int16_t> fullScale(960, -32768);
    EXPECT_EQ(SignalLevel(fullScale.data(), 960), 5);
}

TEST(SignalLevelTest, MeanSquareBandsFollowTheLevelBits)
{
    // Bounds of each band of mean squares, and what lies beyond.
    struct Case {
        std::int32_t mean;
        std::int32_t level;
    };
    const Case cases[] = {{0, 0},         {2097153, 0},   {2097154, 1},   {8388615, 1},
                          {8388616, 2},   {33554463, 2},  {33554464, 3},  {134217855, 3},
                          {134217856, 4}, {536871423, 4}, {536871424, 5}, {1 << 30, 5}};
    for (const Case& c : cases)
        EXPECT_EQ((LevelBits(c.mean) >> 1) - 10, c.level) << "mean " << c.mean;
    EXPECT_EQ(LevelBits(0x100000), 20);
    EXPECT_EQ(LevelBits(0x100001), 21);
    EXPECT_EQ(LevelBits(-5), 20) << "negative values are never above the limit";
}

TEST(SignalLevelTest, ABlockWithoutSamplesIsSilence)
{
    const std::int16_t loud[1] = {32767};
    EXPECT_EQ(SignalLevel(loud, 0), 0);
    EXPECT_EQ(SignalLevel(loud, -3), 0);
    EXPECT_EQ(SignalLevel(loud, 1), 5);
}

TEST(ConvertAudioTest, MuLawToLinearDoublesTheLengthAndDecodesEverySample)
{
    Bytes muLaw(960);
    for (std::size_t i = 0; i < muLaw.size(); ++i)
        muLaw[i] = static_cast<std::uint8_t>(i * 7);
    std::uint32_t length = 0;
    std::unique_ptr<std::uint8_t[]> linear;
    ConvertAudio(MuLawVoiceFormat(), muLaw.data(), 960, length, linear, LinearVoiceFormat());
    ASSERT_EQ(length, 1920u);
    for (std::size_t i = 0; i < muLaw.size(); ++i) {
        std::int16_t sample;
        std::memcpy(&sample, linear.get() + 2 * i, 2);
        ASSERT_EQ(sample, MuLawToLinear(muLaw[i])) << "sample " << i;
    }

    // And back: the codes come out as they went in (but the negative zero 0x7F).
    std::uint32_t backLength = 0;
    std::unique_ptr<std::uint8_t[]> back;
    ConvertAudio(LinearVoiceFormat(), linear.get(), length, backLength, back, MuLawVoiceFormat());
    ASSERT_EQ(backLength, 960u);
    for (std::size_t i = 0; i < muLaw.size(); ++i)
        ASSERT_EQ(back[i], muLaw[i] == 0x7F ? 0xFF : muLaw[i]) << "sample " << i;
}

TEST(ConvertAudioTest, FailuresCarryTheirMessages)
{
    const Bytes muLaw(960, 0xFF);
    std::uint32_t length = 0;
    std::unique_ptr<std::uint8_t[]> dst;
    const auto message = [&](const WaveFormat& from, const std::uint8_t* src,
                             std::uint32_t srcLength, const WaveFormat& to) -> std::string {
        try {
            ConvertAudio(from, src, srcLength, length, dst, to);
        } catch (const AudioConversionError& e) {
            return e.what();
        }
        return "no error";
    };
    WaveFormat stereo = LinearVoiceFormat();
    stereo.channels = 2;
    stereo.blockAlign = 4;
    stereo.averageBytesPerSecond = 32000;
    WaveFormat sixteenKHz = LinearVoiceFormat();
    sixteenKHz.samplesPerSecond = 16000;
    sixteenKHz.averageBytesPerSecond = 32000;
    WaveFormat inconsistent = MuLawVoiceFormat();
    inconsistent.blockAlign = 3;

    EXPECT_EQ(message(MuLawVoiceFormat(), muLaw.data(), 960, stereo), "Can't convert data");
    EXPECT_EQ(message(MuLawVoiceFormat(), muLaw.data(), 960, sixteenKHz), "Can't convert data");
    EXPECT_EQ(message(inconsistent, muLaw.data(), 960, LinearVoiceFormat()), "Can't convert data");
    EXPECT_EQ(message(MuLawVoiceFormat(), muLaw.data(), 960, MuLawVoiceFormat()),
              "Can't convert data");
    EXPECT_EQ(message(MuLawVoiceFormat(), muLaw.data(), 0, LinearVoiceFormat()),
              "Can't prepare stream header");
    EXPECT_EQ(message(MuLawVoiceFormat(), nullptr, 960, LinearVoiceFormat()),
              "Can't prepare stream header");
    EXPECT_EQ(message(LinearVoiceFormat(), muLaw.data(), 959, MuLawVoiceFormat()),
              "Can't prepare stream header");
    EXPECT_NE(dst, nullptr) << "the buffer allocated before the failure is handed to the caller";
}

class ReadWaveDataTest : public ::testing::Test {
protected:
    // Reads `count` bytes of `file` (saved first), or reports false.
    bool Read(const Bytes& file, std::int32_t count, Bytes& out)
    {
        WaveFileBuilder::Save("sound.wav", file);
        out.assign(static_cast<std::size_t>(std::max(count, 0)), 0xEE);
        return ReadWaveData("sound.wav", out.data(), count);
    }
};

TEST_F(ReadWaveDataTest, FilesOfEveryShape)
{
    const Bytes ramp = WaveFileBuilder::Ramp(960);
    const Bytes fortyBytes = WaveFileBuilder::Ramp(40);
    struct Case {
        const char* name;
        Bytes file;
        std::int32_t count;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"plain file", WaveFileBuilder().fmt().data(ramp).build(), 960, true},
        {"fewer bytes than held", WaveFileBuilder().fmt().data(ramp).build(), 100, true},
        {"no bytes asked", WaveFileBuilder().fmt().data(ramp).build(), 0, true},
        {"odd chunk skipped before data",
         WaveFileBuilder().fmt().chunk("LIST", {1, 2, 3}).data(ramp).build(), 960, true},
        {"any format accepted", WaveFileBuilder().fmt(LinearVoiceFormat()).data(ramp).build(), 960,
         true},
        {"short data chunk, last in the file", WaveFileBuilder().fmt().data(fortyBytes).build(),
         960, false},
        {"short data chunk, file goes on",
         WaveFileBuilder().fmt().data(fortyBytes).chunk("junk", Bytes(960, 1)).build(), 960, true},
        {"empty data chunk, file goes on",
         WaveFileBuilder().fmt().data({}).raw(Bytes(2000, 1)).build(), 960, false},
        {"data before fmt", WaveFileBuilder().data(ramp).fmt().build(), 960, false},
        {"no fmt chunk", WaveFileBuilder().data(ramp).build(), 960, false},
        {"no data chunk", WaveFileBuilder().fmt().build(), 960, false},
        {"not RIFF", WaveFileBuilder().fmt().data(ramp).build("RIFX"), 960, false},
        {"RIFF but not WAVE", WaveFileBuilder().fmt().data(ramp).build("RIFF", "AVI "), 960, false},
        {"fmt size past the end",
         WaveFileBuilder()
             .chunk("fmt ", WaveFileBuilder::FormatRecord(MuLawVoiceFormat()), 0x7FFFFFF0)
             .build(),
         960, false},
        {"truncated header", Bytes{'R', 'I', 'F', 'F', 4, 0}, 960, false},
        {"empty file", Bytes{}, 960, false},
        {"negative count", WaveFileBuilder().fmt().data(ramp).build(), -1, false},
    };
    for (const Case& c : cases) {
        Bytes out;
        EXPECT_EQ(Read(c.file, c.count, out), c.expected) << c.name;
    }
}

TEST_F(ReadWaveDataTest, ReadsFromTheStartOfTheDataAndRunsPastItsEnd)
{
    Bytes out;
    ASSERT_TRUE(
        Read(WaveFileBuilder().fmt().chunk("LIST", {9}).data(WaveFileBuilder::Ramp(960)).build(),
             960, out));
    EXPECT_EQ(out, WaveFileBuilder::Ramp(960));

    // Four data bytes, then the next chunk's header and contents.
    ASSERT_TRUE(
        Read(WaveFileBuilder().fmt().data({1, 2, 3, 4}).chunk("next", {5, 6}).build(), 12, out));
    EXPECT_EQ(out, (Bytes{1, 2, 3, 4, 'n', 'e', 'x', 't', 2, 0, 0, 0}));
}

TEST_F(ReadWaveDataTest, MissingFileIsFalse)
{
    std::uint8_t buffer[4];
    EXPECT_FALSE(ReadWaveData("no-such-file.wav", buffer, 4));
}

}  // namespace
}  // namespace parlino
