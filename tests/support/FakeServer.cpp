#include "support/FakeServer.h"

#include "QtWait.h"

#include <gtest/gtest.h>

namespace parlino::test {

FakeServer::FakeServer()
{
    EXPECT_TRUE(server_.listen(QHostAddress::LocalHost));
}

QTcpSocket* FakeServer::Accept()
{
    if (!WaitUntil([&] { return server_.hasPendingConnections(); }))
        return nullptr;
    connection_.reset(server_.nextPendingConnection());
    raw_.clear();
    return connection_.get();
}

std::optional<ReceivedMessage> FakeServer::Next(int timeoutMs)
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

void FakeServer::Send(const ByteString& bytes)
{
    connection_->write(bytes.data(), static_cast<qint64>(bytes.size()));
    connection_->flush();
}

}  // namespace parlino::test
