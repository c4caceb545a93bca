#include "platform/audio/AudioDeviceChoice.h"

#include <gtest/gtest.h>

namespace parlino {
namespace {

TEST(AudioDeviceChoiceTest, EveryWayOfNamingDevices)
{
    using Kind = AudioDeviceChoice::Kind;
    struct Case {
        const char* text;
        bool valid;
        Kind kind;
        const char* alsa;
        const char* capture;
        const char* playback;
        const char* tones;
    };
    const Case cases[] = {
        {"", true, Kind::Automatic, "", "", "", ""},
        {"null", true, Kind::Files, "", "", "", ""},
        {"alsa:default", true, Kind::Alsa, "default", "", "", ""},
        {"alsa:hw:1,0", true, Kind::Alsa, "hw:1,0", "", "", ""},
        {"alsa", true, Kind::Alsa, "default", "", "", ""},
        {"file:in.wav:out.wav", true, Kind::Files, "", "in.wav", "out.wav", ""},
        {"file:in.wav:out.wav:tones.wav", true, Kind::Files, "", "in.wav", "out.wav", "tones.wav"},
        {"file:::tones.wav", true, Kind::Files, "", "", "", "tones.wav"},
        {"file:in.wav", false, Kind::Automatic, "", "", "", ""},
        {"file:a:b:c:d", false, Kind::Automatic, "", "", "", ""},
        {"pulse", false, Kind::Automatic, "", "", "", ""},
        {"NULL", false, Kind::Automatic, "", "", "", ""},
    };
    for (const Case& c : cases) {
        AudioDeviceChoice choice;
        std::string error;
        ASSERT_EQ(ParseAudioDeviceChoice(c.text, choice, error), c.valid) << '"' << c.text << '"';
        if (!c.valid) {
            EXPECT_NE(error.find(c.text), std::string::npos) << error;
            continue;
        }
        EXPECT_EQ(choice.kind, c.kind) << c.text;
        EXPECT_EQ(choice.alsaName, c.alsa) << c.text;
        EXPECT_EQ(choice.capturePath, c.capture) << c.text;
        EXPECT_EQ(choice.playbackPath, c.playback) << c.text;
        EXPECT_EQ(choice.tonesPath, c.tones) << c.text;
    }
}

}  // namespace
}  // namespace parlino
