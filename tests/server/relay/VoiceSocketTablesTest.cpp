#include "server/relay/RelayTestSupport.h"

namespace parlino::relaytest {
namespace {

TEST(VoiceSocketTables, SignInMakesNineSocketsAndTheNextOneReplacesThem)
{
    VoiceSocketTables tables;
    LoopbackClient client(1001);
    const std::uint16_t firstPort = tables.replaceVoiceSockets(1001, "127.0.0.1", "127.0.0.1", client.receiver.boundPort());
    ASSERT_NE(tables.receiveHandle(1001), nullptr);
    EXPECT_EQ(tables.receiveHandle(1001)->boundPort(), firstPort);
    for (int k = 0; k < VoiceSocketCount; ++k) {
        ASSERT_NE(tables.sendHandle(1001, k), nullptr);
        EXPECT_EQ(tables.sendHandle(1001, k)->peerPort(), client.receiver.boundPort());
    }

    // Voice sent to the first receive port is not heard once the sockets are replaced.
    LoopbackClient oldSide(1001);
    oldSide.connectTo(firstPort);
    const std::uint16_t secondPort = tables.replaceVoiceSockets(1001, "127.0.0.1", "127.0.0.1", client.receiver.boundPort());
    EXPECT_EQ(tables.receiveHandle(1001)->boundPort(), secondPort);
    oldSide.send("late");
    std::vector<net::UdpSocket*> list{tables.receiveHandle(1001)};
    EXPECT_EQ(net::WaitForSockets(list, net::SocketReadiness::Readable, 0), 0);

    // A send socket reaches the client's receive socket.
    ASSERT_EQ(tables.sendHandle(1001, 7)->send("to you"), 6);
    const auto arrival = client.receive();
    ASSERT_TRUE(arrival);
    EXPECT_EQ(arrival->bytes, "to you");
    EXPECT_EQ(arrival->fromPort, tables.sendHandle(1001, 7)->boundPort());
}

TEST(VoiceSocketTables, IdsOutsideTheTablesHoldNothing)
{
    VoiceSocketTables tables;
    EXPECT_EQ(tables.receiveHandle(0), nullptr);
    EXPECT_EQ(tables.receiveHandle(1002), nullptr);
    EXPECT_EQ(tables.sendHandle(101, 8), nullptr);
    EXPECT_EQ(tables.sendHandle(101, -1), nullptr);
    EXPECT_THROW(tables.replaceVoiceSockets(0, "127.0.0.1", "127.0.0.1", 9), std::out_of_range);
    EXPECT_THROW(tables.replaceVoiceSockets(1002, "127.0.0.1", "127.0.0.1", 9), std::out_of_range);

    tables.replaceVoiceSockets(1, "127.0.0.1", "127.0.0.1", 9);
    EXPECT_NE(tables.receiveHandle(1), nullptr);
    tables.clear();
    EXPECT_EQ(tables.receiveHandle(1), nullptr);
    EXPECT_EQ(tables.sendHandle(1, 0), nullptr);
}

TEST(VoiceSocketTables, AddressThatCannotBeBoundRaisesAndKeepsWhatWasMade)
{
    VoiceSocketTables tables;
    EXPECT_THROW(tables.replaceVoiceSockets(101, "no address", "127.0.0.1", 9), net::NetError);
    ASSERT_NE(tables.receiveHandle(101), nullptr);
    EXPECT_EQ(tables.receiveHandle(101)->boundPort(), 0);
    EXPECT_EQ(tables.sendHandle(101, 0), nullptr);
}

}  // namespace
}  // namespace parlino::relaytest
