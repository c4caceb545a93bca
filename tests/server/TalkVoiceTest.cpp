#include "TalkTestSupport.h"

#include "relay/RelayTestSupport.h"

namespace parlino::test {
namespace {

using relaytest::LoopbackClient;
using relaytest::MakePacket;

class TalkVoice : public TalkTest {
protected:
    // Signs in with the voice client's receive port and connects its sender to the port
    // the server announces.
    std::unique_ptr<Subscriber> SignInWithVoice(LoopbackClient& voice)
    {
        auto subscriber = Connect();
        subscriber->SignIn(voice.clientId, "582047", "", voice.receiver.boundPort());
        const auto accepted = subscriber->Next();
        EXPECT_TRUE(accepted && accepted->letter == 'V');
        if (accepted)
            voice.connectTo(static_cast<std::uint16_t>(ValueAs<std::int32_t>(accepted->values, 0)));
        return subscriber;
    }
};

TEST_F(TalkVoice, VoiceFlowsBothWaysThroughTheServerAndKeepsTheTalk)
{
    LoopbackClient aliceVoice(101), bobVoice(102);
    auto alice = SignInWithVoice(aliceVoice);
    auto bob = SignInWithVoice(bobVoice);
    StartTalk(*alice, 101, *bob, 102);

    const ByteString fromAlice = PackVoicePacket(MakePacket(5, 11));
    aliceVoice.send(fromAlice);
    const auto atBob = bobVoice.receive();
    ASSERT_TRUE(atBob) << "Alice's voice did not reach Bob";
    EXPECT_EQ(atBob->bytes, fromAlice);
    EXPECT_EQ(atBob->fromPort, inside().voiceSockets.sendHandle(102, 5)->boundPort());

    const ByteString fromBob = PackVoicePacket(MakePacket(3, -20));
    bobVoice.send(fromBob);
    const auto atAlice = aliceVoice.receive();
    ASSERT_TRUE(atAlice) << "Bob's voice did not reach Alice";
    EXPECT_EQ(atAlice->bytes, fromBob);
    EXPECT_EQ(atAlice->fromPort, inside().voiceSockets.sendHandle(101, 3)->boundPort());

    // The relay marked Alice's socket: the tick counts her as speaking.
    Tick(60);
    ASSERT_EQ(inside().TalkList.size(), 1u);
    EXPECT_EQ(inside().TalkList[0]->IdleSeconds, 59);

    alice->Send('T', 2, {std::int32_t{101}, std::int32_t{102}});
    EXPECT_EQ(bob->NextLetter(), 'T');
    EXPECT_FALSE(inside().RelayThread);
}

}  // namespace
}  // namespace parlino::test
