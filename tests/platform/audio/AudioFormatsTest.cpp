#include "platform/audio/G711.h"

#include "WaveFileBuilder.h"

#include "platform/audio/WaveFileWriter.h"
#include "platform/audio/WaveImage.h"

#include <gtest/gtest.h>

namespace parlino {
namespace {

using test::WaveFileBuilder;
using Bytes = WaveFileBuilder::Bytes;

TEST(G711Test, KnownCodePoints)
{
    EXPECT_EQ(MuLawToLinear(0xFF), 0);
    EXPECT_EQ(MuLawToLinear(0x7F), 0);
    EXPECT_EQ(MuLawToLinear(0x00), -32124);
    EXPECT_EQ(MuLawToLinear(0x80), 32124);
    EXPECT_EQ(MuLawToLinear(0xFE), 8);
    EXPECT_EQ(MuLawToLinear(0x7E), -8);
    EXPECT_EQ(LinearToMuLaw(0), 0xFF);
    EXPECT_EQ(LinearToMuLaw(32767), 0x80);
    EXPECT_EQ(LinearToMuLaw(-32768), 0x00);
}

TEST(G711Test, EveryCodeSurvivesARoundTripAndDecodesInOrder)
{
    for (int code = 0; code < 256; ++code) {
        const auto c = static_cast<std::uint8_t>(code);
        EXPECT_EQ(LinearToMuLaw(MuLawToLinear(c)), c == 0x7F ? 0xFF : c) << "code " << code;
    }
    // Within each sign, larger codes are quieter: 0x00..0x7F climbs to zero from below,
    // 0x80..0xFF falls to zero from above.
    for (int code = 1; code < 128; ++code) {
        EXPECT_GT(MuLawToLinear(static_cast<std::uint8_t>(code)),
                  MuLawToLinear(static_cast<std::uint8_t>(code - 1)));
        EXPECT_LT(MuLawToLinear(static_cast<std::uint8_t>(code + 128)),
                  MuLawToLinear(static_cast<std::uint8_t>(code + 127)));
    }
}

TEST(WaveImageTest, ReadsFormatAndDataAndTrimsADataSizeThatPointsPastTheEnd)
{
    WaveImage image;
    std::string error;
    const Bytes file =
        WaveFileBuilder().fmt(LinearVoiceFormat()).chunk("data", {1, 2, 3, 4}, 1000).build();
    ASSERT_TRUE(ReadWaveImage(file, image, error)) << error;
    EXPECT_EQ(image.format, LinearVoiceFormat());
    EXPECT_EQ(image.data, (Bytes{1, 2, 3, 4}));
    // An empty data chunk with more of the file after it.
    WaveImage empty;
    ASSERT_TRUE(
        ReadWaveImage(WaveFileBuilder().fmt().data({}).raw(Bytes(8, 1)).build(), empty, error))
        << error;
    EXPECT_TRUE(empty.data.empty());

    EXPECT_FALSE(ReadWaveImage(Bytes{'R', 'I', 'F', 'F'}, image, error));
    EXPECT_EQ(error, "not a RIFF WAVE file");
    EXPECT_FALSE(ReadWaveImage(WaveFileBuilder().chunk("fmt ", {1, 0, 1, 0}).data({1}).build(),
                               image, error));
    EXPECT_EQ(error, "\"fmt \" chunk cut short");
}

TEST(WaveFileWriterTest, AppendsAcrossOpeningsAndKeepsTheHeaderRight)
{
    std::string error;
    {
        auto writer = WaveFileWriter::open("rec.wav", error);
        ASSERT_NE(writer, nullptr) << error;
        ASSERT_TRUE(writer->append(WaveFileBuilder::Ramp(960)));
    }
    {
        auto writer = WaveFileWriter::open("rec.wav", error);
        ASSERT_NE(writer, nullptr) << error;
        EXPECT_EQ(writer->dataBytes(), 960u);
        ASSERT_TRUE(writer->append(Bytes(3, 0x55)));
    }
    WaveImage image;
    ASSERT_TRUE(ReadWaveFile("rec.wav", image, error)) << error;
    EXPECT_EQ(image.format, MuLawVoiceFormat());
    Bytes expected = WaveFileBuilder::Ramp(960);
    expected.insert(expected.end(), 3, 0x55);
    EXPECT_EQ(image.data, expected);

    // A file of another kind is replaced, not continued.
    WaveFileBuilder::Save("rec.wav",
                          WaveFileBuilder().fmt(LinearVoiceFormat()).data({1, 2}).build());
    ASSERT_NE(WaveFileWriter::open("rec.wav", error), nullptr);
    ASSERT_TRUE(ReadWaveFile("rec.wav", image, error)) << error;
    EXPECT_EQ(image.format, MuLawVoiceFormat());
    EXPECT_TRUE(image.data.empty());

    EXPECT_EQ(WaveFileWriter::open("no-such-dir/rec.wav", error), nullptr);
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace parlino
