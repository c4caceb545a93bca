#include "platform/tcp/ClientWinSocket.h"

#include "QtWait.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace parlino::tcp {
namespace {

using test::WaitUntil;

// Records every event of a client socket as text, in order.
class ClientWinSocketTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        client.onLookup = [this] { events.push_back("lookup"); };
        client.onConnecting = [this] { events.push_back("connecting"); };
        client.onConnect = [this] { events.push_back("connect"); };
        client.onDisconnect = [this] { events.push_back("disconnect"); };
        client.onRead = [this] { received += client.receiveText(); };
        client.onError = [this](int& code) {
            events.push_back("error " + std::to_string(code));
            code = 0;
        };
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    }

    // Opens the client on the listening server and takes the accepted end.
    void ConnectByAddress()
    {
        client.setAddress("127.0.0.1");
        client.setPort(server.serverPort());
        client.open();
        ASSERT_TRUE(WaitUntil([&] { return client.connected() && server.hasPendingConnections(); }));
        peer.reset(server.nextPendingConnection());
    }

    bool Ended() const { return !events.empty() && events.back() != "lookup" && events.back() != "connecting"; }

    QTcpServer server;
    std::unique_ptr<QTcpSocket> peer;
    ClientWinSocket client;
    std::vector<std::string> events;
    std::string received;
};

TEST_F(ClientWinSocketTest, ConnectsByAddressCarriesBytesAndTakesAPeerCloseAsDisconnectOnly)
{
    ConnectByAddress();
    EXPECT_EQ(events, (std::vector<std::string>{"lookup", "connecting", "connect"}));
    EXPECT_TRUE(client.active());
    EXPECT_EQ(client.localAddress(), "127.0.0.1");
    EXPECT_EQ(client.remoteAddress(), "127.0.0.1");

    EXPECT_EQ(client.sendText(std::string("P\0\1", 3)), 3);
    ASSERT_TRUE(WaitUntil([&] { return peer->bytesAvailable() >= 3; }));
    EXPECT_EQ(peer->readAll(), QByteArray("P\0\1", 3));

    peer->write("V\xff", 2);
    peer->flush();
    ASSERT_TRUE(WaitUntil([&] { return received.size() == 2; }));
    EXPECT_EQ(received, "V\xff");

    peer->disconnectFromHost();
    ASSERT_TRUE(WaitUntil([&] { return !client.active(); }));
    EXPECT_EQ(events.back(), "disconnect");
    EXPECT_EQ(client.localAddress(), "");

    // A later send fails and raises one error, however often it is tried.
    EXPECT_EQ(client.sendText("b"), -1);
    EXPECT_EQ(client.sendText("b"), -1);
    ASSERT_TRUE(WaitUntil([&] { return events.back() != "disconnect"; }));
    EXPECT_EQ(events.back(), "error 107");
    QCoreApplication::processEvents();
    EXPECT_EQ(events.size(), 5u);
}

TEST_F(ClientWinSocketTest, ConnectsByHostNameWhenNoAddressIsSet)
{
    client.setHost("localhost");
    client.setPort(server.serverPort());
    client.open();
    ASSERT_TRUE(WaitUntil([&] { return Ended(); }));
    EXPECT_EQ(events, (std::vector<std::string>{"lookup", "connecting", "connect"}));
    EXPECT_EQ(client.remoteAddress(), "127.0.0.1");
}

struct FailureCase {
    const char* name;
    QString address;
    bool portListening;
    std::vector<std::string> events;
};

TEST_F(ClientWinSocketTest, FailuresEndInOneErrorWithTheSystemCode)
{
    const quint16 closedPort = server.serverPort();
    server.close();
    const FailureCase cases[] = {
        {"refused", "127.0.0.1", false, {"lookup", "connecting", "error 111"}},
        {"address that is no address", "127.0.0.1.7", false, {"lookup", "error 6"}},
        {"empty host and address", "", false, {"lookup", "error 6"}},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        events.clear();
        client.setAddress(c.address);
        client.setHost("");
        client.setPort(closedPort);
        client.open();
        ASSERT_TRUE(WaitUntil([&] { return Ended(); }));
        EXPECT_EQ(events, c.events);
        EXPECT_FALSE(client.active());
    }
}

TEST_F(ClientWinSocketTest, OctetsAreReadAsDecimalWhateverTheirLeadingZeros)
{
    const std::pair<QString, std::string> cases[] = {
        {"127.0.0.01", "connect"},  {"127.000.00.001", "connect"}, {"0127.0.0.1", "error 6"},
        {"127.0.0.256", "error 6"}, {"127.0.0.0x1", "error 6"},    {"127.0..1", "error 6"},
    };
    for (const auto& [address, outcome] : cases) {
        SCOPED_TRACE(address.toStdString());
        events.clear();
        client.setAddress(address);
        client.setPort(server.serverPort());
        client.open();
        ASSERT_TRUE(WaitUntil([&] { return Ended(); }));
        EXPECT_EQ(events.back(), outcome);
        client.close();
        while (server.hasPendingConnections())
            delete server.nextPendingConnection();
    }
}

TEST_F(ClientWinSocketTest, ASendToAPeerThatStopsReadingWaitsForRoomThenGivesUp)
{
    ConnectByAddress();
    client.setSendStallLimitMs(300);
    // The peer reads nothing while the loop runs, so its buffers fill within a few blocks.
    const std::string block(1 << 20, 'x');
    std::int64_t result = 0;
    int calls = 0;
    while (calls < 1000 && (result = client.sendText(block)) > 0)
        ++calls;
    EXPECT_EQ(result, -1) << "a full buffer is waited for, not reported as 0 taken";
    EXPECT_LT(calls, 1000);
    EXPECT_FALSE(client.active());
    ASSERT_TRUE(WaitUntil([&] { return events.size() > 3; }));
    EXPECT_EQ(events.back(), "error 110");
}

TEST_F(ClientWinSocketTest, AResetByThePeerIsAnError)
{
    ConnectByAddress();
    // Closing with a zero linger time sends a reset instead of an orderly close.
    const linger abortive{1, 0};
    ASSERT_EQ(::setsockopt(static_cast<int>(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER,
                           &abortive, sizeof abortive), 0);
    peer->close();
    ASSERT_TRUE(WaitUntil([&] { return events.size() > 3; }));
    EXPECT_EQ(events.back(), "error 104");
    EXPECT_FALSE(client.active());
}

TEST_F(ClientWinSocketTest, ReopeningSilencesEverythingOfTheEarlierAttempt)
{
    const quint16 port = server.serverPort();
    client.setAddress("127.0.0.1");
    client.setPort(port);
    client.open();
    client.close();
    EXPECT_FALSE(client.active());
    client.open();
    ASSERT_TRUE(WaitUntil([&] { return Ended(); }));
    EXPECT_EQ(events, (std::vector<std::string>{"lookup", "connecting", "connect"}));

    // Closing inside an event stops the sequence there.
    events.clear();
    client.onConnecting = [this] {
        events.push_back("connecting");
        client.close();
    };
    client.open();
    ASSERT_TRUE(WaitUntil([&] { return !events.empty() && events.back() == "connecting"; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(events, (std::vector<std::string>{"lookup", "connecting"}));
    EXPECT_FALSE(client.active());
}

}  // namespace
}  // namespace parlino::tcp
