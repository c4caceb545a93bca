// A subscriber on loopback for the signalling tests: a real TCP connection to the window's
// listening socket that sends messages and reads what the server says, framed as the
// client frames it.
#pragma once

#include "QtWait.h"
#include "WindowTestFixture.h"

#include "common/MessageFraming.h"
#include "platform/tcp/ServerWinSocket.h"

#include <QTcpSocket>

#include <deque>
#include <memory>
#include <optional>

namespace parlino::test {

struct ServerMessage {
    char letter = 0;
    MessageValues values;
};

class Subscriber {
public:
    explicit Subscriber(quint16 port)
    {
        socket_.connectToHost(QHostAddress::LocalHost, port);
        connected_ = socket_.waitForConnected(5000);
    }
    bool connected() const { return connected_; }
    QTcpSocket& socket() { return socket_; }

    void SendRaw(const ByteString& bytes)
    {
        socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
        socket_.flush();
    }
    void Send(char letter, int count = 0, const MessageValues& values = {})
    {
        SendRaw(BuildMessage(letter, count, values));
    }
    void SignIn(std::int32_t id, const std::string& password = "582047",
                const std::string& newPassword = "", std::int32_t voicePort = 40000)
    {
        Send('P', 4, {voicePort, id, password, newPassword});
    }

    // The next message from the server, waiting for it within a bounded time.
    std::optional<ServerMessage> Next(int timeoutMs = 5000)
    {
        WaitUntil([&] {
            Drain();
            return !received_.empty();
        }, timeoutMs);
        if (received_.empty())
            return std::nullopt;
        ServerMessage message = std::move(received_.front());
        received_.pop_front();
        return message;
    }
    char NextLetter()
    {
        const auto message = Next();
        return message ? message->letter : '\0';
    }
    // Bytes received and not yet framed (to look at the raw form of a message).
    ByteString TakeRaw(std::size_t count, int timeoutMs = 5000)
    {
        WaitUntil([&] {
            raw_ += socket_.readAll().toStdString();
            return raw_.size() >= count;
        }, timeoutMs);
        ByteString head = raw_.substr(0, count);
        raw_.erase(0, head.size());
        return head;
    }

private:
    void Drain()
    {
        raw_ += socket_.readAll().toStdString();
        DrainMessages(raw_, &ClientReadFields, [this](char letter, const MessageValues& values) {
            received_.push_back({letter, values});
            return true;
        });
    }

    QTcpSocket socket_;
    bool connected_ = false;
    ByteString raw_;
    std::deque<ServerMessage> received_;
};

// The operator window with its tables loaded and its listening socket open on loopback.
class SignallingTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_TRUE(Reload().empty());
        ASSERT_TRUE(window->ServerSocket1->Open(0, QHostAddress::LocalHost));
    }

    // The program ends here and starts again on its files: a new store and window, Reload
    // All, and the listening socket open again.
    void Restart()
    {
        MakeWindow();
        ASSERT_TRUE(Reload().empty());
        ASSERT_TRUE(window->ServerSocket1->Open(0, QHostAddress::LocalHost));
    }

    std::unique_ptr<Subscriber> Connect()
    {
        auto subscriber = std::make_unique<Subscriber>(window->ServerSocket1->Port());
        EXPECT_TRUE(subscriber->connected());
        const int before = window->ServerSocket1->ActiveConnections();
        EXPECT_TRUE(WaitUntil([&] { return window->ServerSocket1->ActiveConnections() > before; }))
            << "connections: " << before << " -> " << window->ServerSocket1->ActiveConnections();
        return subscriber;
    }
    // Connected and signed in; the "V" has been read.
    std::unique_ptr<Subscriber> SignedIn(std::int32_t id)
    {
        auto subscriber = Connect();
        subscriber->SignIn(id);
        const auto reply = subscriber->Next();
        EXPECT_TRUE(reply && reply->letter == 'V') << "sign-in of " << id;
        return subscriber;
    }

    // A reply that must come before anything else the subscriber might still get: "t" to
    // oneself comes back as "T". Used after a message that must stay unanswered.
    static void ExpectNothingBefore(Subscriber& subscriber, std::int32_t ownId)
    {
        subscriber.Send('t', 1, {ownId});
        EXPECT_EQ(subscriber.NextLetter(), 'T');
    }

    // Tops up and returns the server's answer.
    static char TopUpWith(Subscriber& subscriber, const std::string& pin)
    {
        subscriber.Send('p', 1, {pin});
        return subscriber.NextLetter();
    }
    double BalanceOf(std::int32_t id)
    {
        EXPECT_TRUE(store->GotoClient(UsersKeyed, id));
        return Users().FieldByName("Balance").AsFloat();
    }
    std::string StatusOf(std::int32_t id)
    {
        EXPECT_TRUE(store->GotoClient(UsersKeyed, id));
        return Users().FieldByName("Status").AsText();
    }
    void SetField(std::int32_t id, const char* field, const dataset::Value& value)
    {
        ASSERT_TRUE(store->GotoClient(UsersKeyed, id));
        Users().Edit();
        Users().FieldByName(field).SetValue(value);
        Users().Post();
    }
};

}  // namespace parlino::test
