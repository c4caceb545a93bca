#include "platform/audio/WaveAudio.h"

#include "AudioTestSupport.h"

#include <gtest/gtest.h>

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
