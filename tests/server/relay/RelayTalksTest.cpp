#include "server/relay/RelayTestSupport.h"

#include <vector>

namespace parlino::relaytest {
namespace {

using RelayTalks = RelayFixture;

TEST_F(RelayTalks, NewTalkIsRelayedOnceTheRelayHasTakenIt)
{
    LoopbackClient payer(101), peer(202);
    SignIn(payer);
    SignIn(peer);
    StartRelay({});
    ASSERT_TRUE(ChangeTalks({{101, 202}}));

    payer.send(PackVoicePacket(MakePacket(0)));
    const auto arrival = peer.receive();
    ASSERT_TRUE(arrival);
    EXPECT_EQ(arrival->bytes, PackVoicePacket(MakePacket(0)));
}

TEST_F(RelayTalks, TakesChangedTalksWithoutTheMainThread)
{
    // The main thread serves no call from here on: it only waits on the peer's socket, as it
    // is busy with the minute's charges while talks start and end.
    LoopbackClient payer(101), peer(202);
    SignIn(payer);
    SignIn(peer);
    StartRelay({});
    talks.set({{101, 202}});
    talksChanged = true;

    // The packet arriving is the proof. (The flag itself may be set again a moment longer:
    // the relay can read the new list in the cycle that cleared the flag for the old one.)
    payer.send(PackVoicePacket(MakePacket(0)));
    EXPECT_TRUE(peer.receive());
}

TEST_F(RelayTalks, TalkWithoutVoiceSocketsIsWaitedOnNotSpunOn)
{
    // Neither party of the first talk has signed in: nothing to wait on in either pass. The
    // relay still serves the next talk, once it exists, and still stops when asked.
    LoopbackClient payer(101), peer(202);
    StartRelay({{301, 302}});
    ASSERT_TRUE(ChangeTalks({{301, 302}}));
    SignIn(payer);
    SignIn(peer);
    ASSERT_TRUE(ChangeTalks({{301, 302}, {101, 202}}));
    payer.send(PackVoicePacket(MakePacket(4)));
    EXPECT_TRUE(peer.receive());
    relay->terminateAndWait();
    EXPECT_TRUE(relay->finished());
}

TEST_F(RelayTalks, RemovedTalkIsNoLongerRead)
{
    LoopbackClient payer(101), peer(202);
    StartTalk(payer, peer);
    payer.send(PackVoicePacket(MakePacket(0)));
    ASSERT_TRUE(peer.receive());

    ASSERT_TRUE(ChangeTalks({}));
    payer.send(PackVoicePacket(MakePacket(1)));
    relay->terminateAndWait();

    EXPECT_TRUE(peer.nothingWaiting());
    std::vector<net::UdpSocket*> serverSide{sockets.receiveHandle(101)};
    EXPECT_EQ(net::WaitForSockets(serverSide, net::SocketReadiness::Readable, 0), 1)
        << "the datagram should still wait, unread, at the server";
}

TEST_F(RelayTalks, PartyWhoSignsInAgainIsRelayedThroughHisNewSockets)
{
    LoopbackClient payer(101), peer(202);
    StartTalk(payer, peer);
    payer.send(PackVoicePacket(MakePacket(0)));
    ASSERT_TRUE(peer.receive());

    const std::uint16_t oldSendPort = SendPort(202, 1);
    LoopbackClient peerAgain(202);
    SignIn(peerAgain);  // waits for the relay to leave its cycle
    ASSERT_NE(SendPort(202, 1), oldSendPort);

    payer.send(PackVoicePacket(MakePacket(1)));
    const auto toNewSocket = peerAgain.receive();
    ASSERT_TRUE(toNewSocket);
    EXPECT_EQ(toNewSocket->bytes, PackVoicePacket(MakePacket(1)));
    EXPECT_EQ(toNewSocket->fromPort, SendPort(202, 1));

    peerAgain.send(PackVoicePacket(MakePacket(2)));
    const auto back = payer.receive();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->bytes, PackVoicePacket(MakePacket(2)));
    EXPECT_TRUE(peer.nothingWaiting());
}

// A cycle that fails is shown on the main thread and the relay goes on with the next one.
TEST_F(RelayTalks, FailedCycleIsShownAndTheRelayGoesOn)
{
    LoopbackClient payer(101), peer(202);
    SignIn(payer);
    SignIn(peer);
    talks.failNextRead("Talk list unavailable");
    StartRelay({{101, 202}});
    // The flag is briefly clear while the failing read is under way: wait for the error too.
    ASSERT_TRUE(MainThreadCalls::ServeUntil([&] { return !shownErrors.empty() && !talksChanged.load(); }, 5000));
    EXPECT_EQ(shownErrors, std::vector<QString>{"Talk list unavailable"});

    payer.send(PackVoicePacket(MakePacket(0)));
    EXPECT_TRUE(peer.receive());
}

}  // namespace
}  // namespace parlino::relaytest
