#include "platform/tcp/ServerWinSocket.h"

#include "QtWait.h"

#include <QPointer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace parlino::tcp {
namespace {

using test::WaitUntil;

// A connection object carrying state of its own, as the server's does.
class TaggedSocket : public ServerClientWinSocket {
public:
    using ServerClientWinSocket::ServerClientWinSocket;
    std::string input;
};

struct Peer {
    std::unique_ptr<QTcpSocket> socket = std::make_unique<QTcpSocket>();
    bool Connect(quint16 port)
    {
        socket->connectToHost(QHostAddress::LocalHost, port);
        return socket->waitForConnected(5000);
    }
};

class ServerWinSocketTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.OnGetSocket = [](QTcpSocket* s) { return std::make_unique<TaggedSocket>(s); };
        server.OnClientRead = [this](ServerClientWinSocket& c) {
            static_cast<TaggedSocket&>(c).input += c.ReceiveAll();
        };
        server.OnClientDisconnect = [this](ServerClientWinSocket& c) {
            disconnected.push_back(static_cast<TaggedSocket&>(c).input);
        };
        ASSERT_TRUE(server.Open(0, QHostAddress::LocalHost)) << server.ErrorString().toStdString();
    }

    ServerWinSocket server;
    std::vector<std::string> disconnected;
};

TEST_F(ServerWinSocketTest, KeepsConnectionsInAcceptOrderAndReadsTheirBytes)
{
    Peer a, b;
    ASSERT_TRUE(a.Connect(server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return server.ActiveConnections() == 1; }));
    ASSERT_TRUE(b.Connect(server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return server.ActiveConnections() == 2; }));
    EXPECT_EQ(server.Connections(0)->RemotePort(), a.socket->localPort());
    EXPECT_EQ(server.Connections(1)->RemotePort(), b.socket->localPort());
    EXPECT_EQ(server.Connections(0)->RemoteAddress(), "127.0.0.1");
    EXPECT_EQ(server.Connections(0)->LocalAddress(), "127.0.0.1");

    b.socket->write("hello", 5);
    auto* second = static_cast<TaggedSocket*>(server.Connections(1));
    ASSERT_TRUE(WaitUntil([&] { return second->input == "hello"; }));

    ASSERT_EQ(server.Connections(0)->SendBuf("ok"), 2);
    ASSERT_TRUE(WaitUntil([&] { return a.socket->bytesAvailable() >= 2; }));
    EXPECT_EQ(a.socket->readAll(), "ok");
}

TEST_F(ServerWinSocketTest, DisconnectRunsOnceThenTheObjectIsFreed)
{
    Peer a;
    ASSERT_TRUE(a.Connect(server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return server.ActiveConnections() == 1; }));
    QPointer<ServerClientWinSocket> connection = server.Connections(0);
    a.socket->write("bye");
    a.socket->flush();
    ASSERT_TRUE(WaitUntil([&] { return static_cast<TaggedSocket*>(connection.data())->input == "bye"; }));
    a.socket->disconnectFromHost();
    ASSERT_TRUE(WaitUntil([&] { return connection.isNull(); }));
    EXPECT_EQ(server.ActiveConnections(), 0);
    EXPECT_EQ(disconnected, (std::vector<std::string>{"bye"}));
}

TEST_F(ServerWinSocketTest, SendToAClosedConnectionReportsFailure)
{
    Peer a;
    ASSERT_TRUE(a.Connect(server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return server.ActiveConnections() == 1; }));
    QPointer<ServerClientWinSocket> connection = server.Connections(0);
    a.socket->abort();
    ASSERT_TRUE(WaitUntil([&] { return connection.isNull() || !connection->Connected(); }));
    if (connection) {
        EXPECT_EQ(connection->SendBuf("x"), -1);
    }
    ASSERT_TRUE(WaitUntil([&] { return connection.isNull(); }));
    EXPECT_EQ(disconnected.size(), 1u);
}

TEST_F(ServerWinSocketTest, APeerThatReadsNothingIsClosedOnceTooMuchWaitsForIt)
{
    Peer a;
    ASSERT_TRUE(a.Connect(server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return server.ActiveConnections() == 1; }));
    QPointer<ServerClientWinSocket> connection = server.Connections(0);

    // One message beyond the limit still goes to a connection that owes nothing.
    const std::string large(MaxUnsentBytes + 1, 'x');
    EXPECT_EQ(connection->SendBuf(large), static_cast<std::int64_t>(large.size()));
    // The event loop does not run, so nothing more reaches the peer than the system takes.
    const std::string chunk(64 * 1024, 'y');
    std::int64_t taken = 0;
    std::int64_t more = 0;
    for (int i = 0; i < 1024 && taken >= 0; ++i) {
        taken = connection->SendBuf(chunk);
        more += std::max<std::int64_t>(taken, 0);
    }
    EXPECT_EQ(taken, -1) << more << " bytes more were taken";
    EXPECT_FALSE(connection->Connected());
    EXPECT_EQ(connection->SendBuf("z"), -1);
    ASSERT_TRUE(WaitUntil([&] { return connection.isNull(); }));
    EXPECT_EQ(disconnected.size(), 1u);
}

TEST_F(ServerWinSocketTest, CloseEndsEveryConnectionAndATakenPortFails)
{
    Peer a, b;
    ASSERT_TRUE(a.Connect(server.Port()));
    ASSERT_TRUE(b.Connect(server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return server.ActiveConnections() == 2; }));

    ServerWinSocket second;
    EXPECT_FALSE(second.Open(server.Port(), QHostAddress::LocalHost));
    EXPECT_FALSE(second.ErrorString().isEmpty());

    server.Close();
    EXPECT_FALSE(server.Active());
    EXPECT_EQ(server.ActiveConnections(), 0);
    EXPECT_EQ(disconnected.size(), 2u);
    ASSERT_TRUE(WaitUntil([&] { return a.socket->state() == QAbstractSocket::UnconnectedState; }));
}

// Runs in a child process with a small descriptor table: a connection waits while the table
// is full, the server tries again now and then instead of spinning or giving up, and takes
// it once there is room. Exits 0 when all of that held.
[[noreturn]] void AcceptAtTheDescriptorLimit()
{
    constexpr rlim_t Limit = 256;
    rlimit limit{Limit, Limit};
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
        std::_Exit(10);
    ServerWinSocket server;
    int failures = 0;
    server.onAcceptError = [&](const QString&) { ++failures; };
    if (!server.Open(0, QHostAddress::LocalHost))
        std::_Exit(11);
    // One connection taken in the ordinary way first, as in a running server.
    Peer first;
    if (!first.Connect(server.Port()) || !WaitUntil([&] { return server.ActiveConnections() == 1; }))
        std::_Exit(15);
    Peer waiting;
    if (!waiting.Connect(server.Port()))
        std::_Exit(12);
    std::vector<int> fillers;
    for (int fd; fillers.size() < Limit && (fd = ::open("/dev/null", O_RDONLY)) >= 0;)
        fillers.push_back(fd);

    // A spin would fail thousands of times in this while; the back-off a handful.
    WaitUntil([] { return false; }, 600);
    std::fprintf(stderr, "failures while full: %d\n", failures);
    if (failures < 1 || failures > 5 || server.ActiveConnections() != 1)
        std::_Exit(13);
    for (int fd : fillers)
        ::close(fd);
    if (!WaitUntil([&] { return server.ActiveConnections() == 2; }, 5000))
        std::_Exit(14);
    std::fprintf(stderr, "accepted once there was room\n");
    std::_Exit(0);
}

TEST(ServerWinSocketLimitTest, AFullDescriptorTableMakesAcceptingWaitNotSpinOrStop)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(AcceptAtTheDescriptorLimit(), ::testing::ExitedWithCode(0), "accepted once there was room");
}

}  // namespace
}  // namespace parlino::tcp
