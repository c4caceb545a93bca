// The server end of a softphone's signalling connection on loopback: accepts connections,
// frames what the client sends and sends raw bytes back.
#pragma once

#include "QtWait.h"

#include "common/MessageFraming.h"
#include "common/SignallingCatalogue.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace parlino::test {

struct ReceivedMessage {
    char letter = 0;
    MessageValues values;
};

class FakeServer {
public:
    FakeServer() { EXPECT_TRUE(server_.listen(QHostAddress::LocalHost)); }
    quint16 port() const { return server_.serverPort(); }

    // The next accepted connection, which becomes the current one.
    QTcpSocket* Accept()
    {
        if (!WaitUntil([&] { return server_.hasPendingConnections(); }))
            return nullptr;
        connection_.reset(server_.nextPendingConnection());
        raw_.clear();
        return connection_.get();
    }
    QTcpSocket* connection() { return connection_.get(); }

    std::optional<ReceivedMessage> Next(int timeoutMs = 5000)
    {
        std::optional<ReceivedMessage> message;
        WaitUntil([&] {
            if (!connection_)
                return false;
            raw_ += connection_->readAll().toStdString();
            DrainMessages(raw_, &ServerReadFields, [&](char letter, const MessageValues& values) {
                message = ReceivedMessage{letter, values};
                return false;
            });
            return message.has_value();
        }, timeoutMs);
        return message;
    }
    void Send(const ByteString& bytes)
    {
        connection_->write(bytes.data(), static_cast<qint64>(bytes.size()));
        connection_->flush();
    }

private:
    QTcpServer server_;
    std::unique_ptr<QTcpSocket> connection_;
    ByteString raw_;
};

}  // namespace parlino::test
