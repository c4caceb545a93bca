#include "platform/net/SocketWait.h"

#include <gtest/gtest.h>

#include <memory>

namespace parlino::net {
namespace {

// Long enough that a loaded test machine still delivers loopback datagrams in time.
constexpr int ExpectReadyMs = 5000;

std::vector<std::unique_ptr<UdpSocket>> MakeReceivers(int count)
{
    std::vector<std::unique_ptr<UdpSocket>> sockets;
    for (int i = 0; i < count; ++i) {
        auto socket = std::make_unique<UdpSocket>();
        socket->setLocalAddress("127.0.0.1");
        socket->allocate();
        socket->bind();
        sockets.push_back(std::move(socket));
    }
    return sockets;
}

void SendTo(const UdpSocket& receiver, std::string_view bytes)
{
    UdpSocket sender;
    sender.setLocalAddress("127.0.0.1");
    sender.allocate();
    sender.bind();
    sender.setPeer("127.0.0.1", receiver.boundPort());
    sender.connect();
    ASSERT_EQ(sender.send(bytes), static_cast<std::int64_t>(bytes.size()));
}

std::vector<UdpSocket*> ListOf(const std::vector<std::unique_ptr<UdpSocket>>& sockets)
{
    std::vector<UdpSocket*> list;
    for (const auto& s : sockets)
        list.push_back(s.get());
    return list;
}

TEST(SocketWait, KeepsOnlyTheReadySocketsInTheirOrder)
{
    auto sockets = MakeReceivers(5);
    SendTo(*sockets[3], "x");
    SendTo(*sockets[1], "y");
    auto list = ListOf(sockets);
    ASSERT_EQ(WaitForSockets(list, SocketReadiness::Readable, ExpectReadyMs), 2);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], sockets[1].get());
    EXPECT_EQ(list[1], sockets[3].get());
}

TEST(SocketWait, TimeOutClearsTheListAndEmptyListReturnsAtOnce)
{
    auto sockets = MakeReceivers(3);
    auto list = ListOf(sockets);
    EXPECT_EQ(WaitForSockets(list, SocketReadiness::Readable, 0), 0);
    EXPECT_TRUE(list.empty());

    std::vector<UdpSocket*> empty;
    EXPECT_EQ(WaitForSockets(empty, SocketReadiness::Readable, -1), 0);
}

TEST(SocketWait, WaitsOnFarMoreThanSixtyFourSockets)
{
    auto sockets = MakeReceivers(300);
    SendTo(*sockets[0], "a");
    SendTo(*sockets[70], "b");
    SendTo(*sockets[299], "c");
    auto list = ListOf(sockets);
    ASSERT_EQ(WaitForSockets(list, SocketReadiness::Readable, ExpectReadyMs), 3);
    EXPECT_EQ(list, (std::vector<UdpSocket*>{sockets[0].get(), sockets[70].get(), sockets[299].get()}));
}

TEST(SocketWait, WritableAndUnopenedSockets)
{
    auto sockets = MakeReceivers(2);
    UdpSocket unopened;
    std::vector<UdpSocket*> list{sockets[0].get(), &unopened, sockets[1].get()};
    ASSERT_EQ(WaitForSockets(list, SocketReadiness::Writable, ExpectReadyMs), 2);
    EXPECT_EQ(list, (std::vector<UdpSocket*>{sockets[0].get(), sockets[1].get()}));

    std::vector<UdpSocket*> onlyUnopened{&unopened};
    EXPECT_EQ(WaitForSockets(onlyUnopened, SocketReadiness::Readable, 0), 0);
}

}  // namespace
}  // namespace parlino::net
