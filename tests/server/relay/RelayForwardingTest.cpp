#include "server/relay/RelayTestSupport.h"

#include <atomic>
#include <climits>
#include <thread>

namespace parlino::relaytest {
namespace {

TEST(SendSocketIndex, SequenceModuloEightAlsoForNegativeSequences)
{
    const std::vector<std::pair<std::int32_t, int>> table = {
        {0, 0}, {1, 1}, {7, 7}, {8, 0}, {13, 5}, {INT32_MAX, 7},
        {-1, 1}, {-8, 0}, {-13, 5}, {INT32_MIN, 0}, {INT32_MIN + 1, 7}};
    for (const auto& [sequence, index] : table)
        EXPECT_EQ(SendSocketIndex(sequence), index) << "Sequence " << sequence;
}

using RelayForwarding = RelayFixture;

TEST_F(RelayForwarding, JunkIsDroppedAndTwoPacketsInOneDatagramLeaveInOrder)
{
    LoopbackClient payer(101), peer(202);
    StartTalk(payer, peer);

    payer.send("xyz" + PackVoicePacket(MakePacket(5, 1)) + PackVoicePacket(MakePacket(6, 2)));

    const auto first = peer.receive();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->bytes, PackVoicePacket(MakePacket(5, 1)));
    EXPECT_EQ(first->bytes.size(), VoicePacketSize);
    EXPECT_EQ(first->fromPort, SendPort(202, 5));
    const auto second = peer.receive();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->bytes, PackVoicePacket(MakePacket(6, 2)));
    EXPECT_EQ(second->fromPort, SendPort(202, 6));

    EXPECT_TRUE(ActivitySet(101));
    EXPECT_FALSE(ActivitySet(202));
}

TEST_F(RelayForwarding, FloodedVoicePortDoesNotKeepTheLock)
{
    LoopbackClient payer(101), peer(202);
    StartTalk(payer, peer);
    payer.send(PackVoicePacket(MakePacket(0)));
    ASSERT_TRUE(peer.receive());

    // Junk as fast as the flooder can send it, until a sign-in has had the lock (bounded).
    constexpr long MaxJunk = 2'000'000;
    std::atomic<bool> signedIn{false};
    std::atomic<bool> floodOver{false};
    std::atomic<long> sent{0};
    std::thread flood([&] {
        const ByteString junk(8000, 'x');
        while (!signedIn.load() && sent.load() < MaxJunk) {
            payer.sender.send(junk);
            ++sent;
        }
        floodOver = true;
    });
    while (sent.load() < 1000 && !floodOver.load())
        std::this_thread::yield();
    bool lockedDuringFlood = false;
    {
        WriteLockGuard guard(talkLock);  // what a sign-in asks for
        lockedDuringFlood = !floodOver.load();
        signedIn = true;
    }
    flood.join();
    EXPECT_TRUE(lockedDuringFlood) << "the lock came free only after " << sent.load() << " datagrams";

    // Voice still flows once the junk has been read away.
    payer.send(PackVoicePacket(MakePacket(1)));
    const auto arrival = peer.receive();
    ASSERT_TRUE(arrival);
    EXPECT_EQ(arrival->bytes, PackVoicePacket(MakePacket(1)));
}

TEST_F(RelayForwarding, PacketSplitOverTwoDatagramsIsCompletedByTheSecond)
{
    LoopbackClient payer(101), peer(202);
    StartTalk(payer, peer);

    const ByteString whole = PackVoicePacket(MakePacket(9, 3));
    payer.send(whole.substr(0, 400));
    payer.send(whole.substr(400));

    const auto arrival = peer.receive();
    ASSERT_TRUE(arrival);
    EXPECT_EQ(arrival->bytes, whole);
    EXPECT_EQ(arrival->fromPort, SendPort(202, 1));
    EXPECT_TRUE(peer.nothingWaiting());
}

TEST_F(RelayForwarding, PeerVoiceGoesBackThroughThePayersSocketOfTheSameNumber)
{
    LoopbackClient payer(101), peer(202);
    StartTalk(payer, peer);

    peer.send(PackVoicePacket(MakePacket(11)));
    const auto back = payer.receive();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->bytes, PackVoicePacket(MakePacket(11)));
    EXPECT_EQ(back->fromPort, SendPort(101, 3));

    peer.send(PackVoicePacket(MakePacket(-3)));
    const auto negative = payer.receive();
    ASSERT_TRUE(negative);
    EXPECT_EQ(negative->fromPort, SendPort(101, 3));

    payer.send(PackVoicePacket(MakePacket(12)));
    const auto forth = peer.receive();
    ASSERT_TRUE(forth);
    EXPECT_EQ(forth->fromPort, SendPort(202, 4));

    // The peer's packets mark the peer's socket, the payer's mark the payer's.
    EXPECT_TRUE(ActivitySet(202));
    EXPECT_TRUE(ActivitySet(101));
}

TEST_F(RelayForwarding, VoiceFromAnAddressOtherThanTheSubscribersIsDroppedAndKeepsNoTalkAlive)
{
    LoopbackClient payer(101), peer(202);
    StartTalk(payer, peer);
    net::UdpSocket stranger;
    stranger.setLocalAddress("127.0.0.2");
    stranger.allocate();
    stranger.bind();
    stranger.setPeer("127.0.0.1", sockets.receiveHandle(202)->boundPort());
    stranger.connect();

    // A whole packet and the start of another, into the peer's voice port.
    const ByteString strangers = PackVoicePacket(MakePacket(1, 9));
    ASSERT_GT(stranger.send(strangers + strangers.substr(0, 400)), 0);
    // Until the relay has read it (bounded); meanwhile nothing reaches the payer.
    bool read = false;
    for (int waited = 0; waited < 5000 && !read; waited += 10) {
        ASSERT_FALSE(payer.receive(10)) << "a stranger's voice was forwarded";
        std::vector<net::UdpSocket*> waiting{sockets.receiveHandle(202)};
        read = net::WaitForSockets(waiting, net::SocketReadiness::Readable, 0) == 0;
    }
    ASSERT_TRUE(read);
    EXPECT_FALSE(ActivitySet(202));  // taken under the lock: the relay is done with it

    // The peer's own packet is the first and only one the payer hears, whole.
    peer.send(PackVoicePacket(MakePacket(2)));
    const auto arrival = payer.receive();
    ASSERT_TRUE(arrival);
    EXPECT_EQ(arrival->bytes, PackVoicePacket(MakePacket(2)));
    EXPECT_TRUE(payer.nothingWaiting());
    EXPECT_TRUE(ActivitySet(202));
}

TEST_F(RelayForwarding, PartyWithoutSocketsLosesThePacketAndOthersGoOn)
{
    LoopbackClient lonely(303), payer(101), peer(202);
    SignIn(lonely);
    SignIn(payer);
    SignIn(peer);
    StartRelay({{303, 404}, {101, 202}});

    lonely.send(PackVoicePacket(MakePacket(1)));
    payer.send(PackVoicePacket(MakePacket(2)));
    const auto arrival = peer.receive();
    ASSERT_TRUE(arrival);
    EXPECT_EQ(arrival->bytes, PackVoicePacket(MakePacket(2)));
    EXPECT_TRUE(ActivitySet(303));
}

// Far more talks than a 64-socket wait could hold: every one of them is relayed.
TEST_F(RelayForwarding, EveryTalkIsRelayedWhenThereAreHundredsOfThem)
{
    constexpr int Talks = 100;
    std::vector<std::unique_ptr<LoopbackClient>> payers, peers;
    std::vector<TTalkPair> pairs;
    for (int i = 0; i < Talks; ++i) {
        payers.push_back(std::make_unique<LoopbackClient>(101 + i));
        peers.push_back(std::make_unique<LoopbackClient>(501 + i));
        SignIn(*payers.back());
        SignIn(*peers.back());
        pairs.push_back({101 + i, 501 + i});
    }
    StartRelay(pairs);
    for (int i = 0; i < Talks; ++i)
        payers[static_cast<std::size_t>(i)]->send(PackVoicePacket(MakePacket(i, static_cast<std::int8_t>(i))));
    for (int i = 0; i < Talks; ++i) {
        const auto arrival = peers[static_cast<std::size_t>(i)]->receive();
        ASSERT_TRUE(arrival) << "talk " << i;
        EXPECT_EQ(arrival->bytes, PackVoicePacket(MakePacket(i, static_cast<std::int8_t>(i))));
    }
}

}  // namespace
}  // namespace parlino::relaytest
