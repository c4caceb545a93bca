#include "platform/net/SocketWait.h"
#include "platform/net/UdpSocket.h"

#include <gtest/gtest.h>

#include <array>

namespace parlino::net {
namespace {

UdpSocket BoundOnLoopback(std::uint16_t port = 0)
{
    UdpSocket socket;
    socket.setLocalAddress("127.0.0.1");
    socket.setLocalPort(port);
    socket.allocate();
    socket.bind();
    return socket;
}

// Receives one datagram, failing instead of blocking when none arrives in time.
std::int64_t ReceiveWithin(UdpSocket& socket, char* buffer, std::size_t length, Endpoint* from = nullptr)
{
    std::vector<UdpSocket*> list{&socket};
    if (WaitForSockets(list, SocketReadiness::Readable, 5000) != 1)
        return -1;
    return socket.receiveFrom(buffer, length, from);
}

TEST(UdpSocket, ConnectedSendArrivesWithTheSendersAddress)
{
    UdpSocket receiver = BoundOnLoopback();
    UdpSocket sender = BoundOnLoopback();
    ASSERT_NE(receiver.boundPort(), 0);
    ASSERT_NE(sender.boundPort(), receiver.boundPort());

    sender.setPeer("127.0.0.1", receiver.boundPort());
    sender.connect();
    EXPECT_EQ(sender.send("hello"), 5);

    std::array<char, 64> buffer{};
    Endpoint from;
    ASSERT_EQ(ReceiveWithin(receiver, buffer.data(), buffer.size(), &from), 5);
    EXPECT_EQ(std::string(buffer.data(), 5), "hello");
    EXPECT_EQ(from.address, "127.0.0.1");
    EXPECT_EQ(from.port, sender.boundPort());
}

TEST(UdpSocket, LongDatagramIsCutAndNonBlockingReceiveOfNothingGivesZero)
{
    UdpSocket receiver = BoundOnLoopback();
    receiver.setNonBlocking(true);
    std::array<char, 4> buffer{};
    EXPECT_EQ(receiver.receiveFrom(buffer.data(), buffer.size()), 0);

    UdpSocket sender = BoundOnLoopback();
    sender.setPeer("127.0.0.1", receiver.boundPort());
    sender.connect();
    ASSERT_EQ(sender.send("abcdefgh"), 8);
    EXPECT_EQ(ReceiveWithin(receiver, buffer.data(), buffer.size()), 4);
    EXPECT_EQ(std::string(buffer.data(), 4), "abcd");
    // The rest of a cut datagram is gone, not delivered as a second one.
    EXPECT_EQ(receiver.receiveFrom(buffer.data(), buffer.size()), 0);
}

TEST(UdpSocket, ReallocatingReplacesTheSocketAndTheSamePortCanBeBoundAgain)
{
    UdpSocket socket = BoundOnLoopback();
    const std::uint16_t port = socket.boundPort();
    const std::uint64_t firstId = socket.openId();

    socket.setLocalPort(port);
    socket.allocate();
    EXPECT_EQ(socket.boundPort(), 0);
    socket.bind();
    EXPECT_EQ(socket.boundPort(), port);
    EXPECT_TRUE(socket.isOpen());

    // The new socket is told apart from the old one, and a move keeps what it is.
    const std::uint64_t secondId = socket.openId();
    EXPECT_NE(secondId, firstId);
    EXPECT_NE(secondId, 0u);
    UdpSocket moved(std::move(socket));
    EXPECT_EQ(moved.openId(), secondId);
    EXPECT_EQ(socket.openId(), 0u);  // the moved-from handle is closed
    moved.close();
    EXPECT_EQ(moved.openId(), 0u);
}

TEST(UdpSocket, FailuresRaiseOrReport)
{
    UdpSocket socket;
    socket.setLocalAddress("not-an-address");
    socket.allocate();
    EXPECT_THROW(socket.bind(), NetError);

    UdpSocket closed;
    std::array<char, 8> buffer{};
    EXPECT_THROW(closed.receiveFrom(buffer.data(), buffer.size()), NetError);
    EXPECT_EQ(closed.send("x"), -1);
    EXPECT_EQ(closed.sendWithoutWaiting("x"), -1);
    EXPECT_THROW(closed.connect(), NetError);

    UdpSocket taken = BoundOnLoopback();
    UdpSocket second;
    second.setLocalAddress("127.0.0.1");
    second.setLocalPort(taken.boundPort());
    second.allocate();
    EXPECT_THROW(second.bind(), NetError);
}

TEST(UdpSocket, RefusalOfAnEarlierDatagramDoesNotCostTheNextOne)
{
    // Both ways of sending: waiting for room, and not.
    for (const bool waiting : {true, false}) {
        const auto send = [waiting](UdpSocket& socket, std::string_view bytes) {
            return waiting ? socket.send(bytes) : socket.sendWithoutWaiting(bytes);
        };
        UdpSocket receiver = BoundOnLoopback();
        const std::uint16_t port = receiver.boundPort();
        receiver.close();

        UdpSocket sender = BoundOnLoopback();
        sender.setPeer("127.0.0.1", port);
        sender.connect();
        send(sender, "lost");  // refused: nobody listens yet

        receiver = BoundOnLoopback(port);
        EXPECT_EQ(send(sender, "kept"), 4) << waiting;
        std::array<char, 8> buffer{};
        ASSERT_EQ(ReceiveWithin(receiver, buffer.data(), buffer.size()), 4) << waiting;
        EXPECT_EQ(std::string(buffer.data(), 4), "kept");
    }
}

}  // namespace
}  // namespace parlino::net
