#include "VoiceLink.h"
#include "VoiceSessionTestAccess.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace parlino {
namespace {

using test::PlayedPackets;
using test::VoiceLink;
using test::WaveFileBuilder;

struct Sounds {
    Sounds()
    {
        WaveFileBuilder::Save("a.wav", WaveFileBuilder().fmt().data(a).build());
        WaveFileBuilder::Save("b.wav", WaveFileBuilder().fmt().data(b).build());
        // The emulated playback continues a recording left by an earlier run.
        std::remove("a-played.wav");
        std::remove("b-played.wav");
    }
    const WaveFileBuilder::Bytes a = test::SweepSignal(40, 0.0);
    const WaveFileBuilder::Bytes b = test::SweepSignal(30, 1.0);
};

// Runs the talk until both sides have placed `packets` datagrams of the other.
bool talkFor(VoiceLink& link, std::int32_t packets)
{
    VoiceSessionTestAccess a(*link.a.rig.session);
    VoiceSessionTestAccess b(*link.b.rig.session);
    for (int steps = 0; steps < 4 * packets + 20; ++steps) {
        if (a.jitter().HighestSeq >= packets && b.jitter().HighestSeq >= packets)
            return true;
        if (!link.step())
            return false;
    }
    return false;
}

TEST(VoiceEndToEndTest, EachSideHearsTheOtherWithoutGapsThroughTheRelay)
{
    Sounds sounds;
    std::int32_t sentByA = 0;
    std::int32_t sentByB = 0;
    {
        VoiceLink link("a.wav", "a-played.wav", "b.wav", "b-played.wav", {});
        link.start();
        ASSERT_TRUE(talkFor(link, 30));
        link.stop();
        sentByA = VoiceSessionTestAccess(*link.a.rig.session).sendSeq();
        sentByB = VoiceSessionTestAccess(*link.b.rig.session).sendSeq();
    }
    struct Direction {
        const char* name;
        std::string played;
        const WaveFileBuilder::Bytes& captured;
        std::int32_t sent;
    };
    for (const Direction& d : {Direction{"A to B", "b-played.wav", sounds.a, sentByA},
                               Direction{"B to A", "a-played.wav", sounds.b, sentByB}}) {
        const PlayedPackets played = test::ReadPlayed(d.played, d.captured);
        SCOPED_TRACE(std::string(d.name) + ": " + test::Describe(played));
        // Every packet played after the voice began is one the other side captured, bit for
        // bit: nothing is lost on loopback, so none is silence or foreign sound.
        ASSERT_GE(played.firstVoice, 2) << "two packets of silence come first";
        EXPECT_EQ(played.packets[0], PlayedPackets::Silence);
        EXPECT_EQ(played.packets[1], PlayedPackets::Silence);
        EXPECT_LE(played.firstVoice, 6);
        EXPECT_EQ(played.gaps, 0);
        EXPECT_EQ(played.backwards, 0);
        // Each datagram reaches the other side half a buffer before its player next
        // refills, so every packet after the first one of voice follows the one before.
        EXPECT_EQ(played.repeated, 0);
        EXPECT_EQ(played.skipped, 0);
        // The player keeps the device's pace: one played packet per captured one.
        EXPECT_NEAR(static_cast<double>(played.packets.size()), d.sent + 2, 3.0);
    }
}

TEST(VoiceEndToEndTest, ALossyPathCostsRepeatsNeverSilenceNorPace)
{
    Sounds sounds;
    int lost = 0;
    std::int32_t sentByA = 0;
    {
        VoiceLink link("a.wav", "a-played.wav", "b.wav", "b-played.wav", {0.05, 80});
        link.start();
        ASSERT_TRUE(talkFor(link, 60));
        link.stop();
        sentByA = VoiceSessionTestAccess(*link.a.rig.session).sendSeq();
        lost = link.a.toServer->dropped() + link.b.fromServer->dropped();
    }
    const PlayedPackets played = test::ReadPlayed("b-played.wav", sounds.a);
    SCOPED_TRACE(test::Describe(played) + ", lost on the way " + std::to_string(lost));
    ASSERT_GE(played.firstVoice, 2);
    // A missing datagram repeats the last sound rather than leaving silence.
    EXPECT_EQ(played.gaps, 0);
    EXPECT_NEAR(static_cast<double>(played.packets.size()), sentByA + 2, 3.0);
    // The position goes back only to one of the two newest datagrams or to one younger than
    // 0.24 s: never more than a few packets.
    for (std::size_t i = static_cast<std::size_t>(played.firstVoice) + 1; i < played.packets.size(); ++i)
        EXPECT_GE(played.packets[i] - played.packets[i - 1], -3) << "packet " << i;
    const int changes = played.next + played.repeated + played.skipped + played.backwards;
    EXPECT_GE(played.next, changes / 2) << "most packets follow their predecessor";
    EXPECT_GT(played.repeated + played.skipped + played.backwards, 0) << "the path lost nothing";
}

}  // namespace
}  // namespace parlino
