// A small server on loopback that plays the switch's side of the signalling for the
// softphone's tests: it accepts connections and frames what the client sends, and the test
// writes the replies itself.
#pragma once

#include "common/MessageFraming.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <memory>
#include <optional>

namespace parlino::test {

struct ReceivedMessage {
    char letter = 0;
    MessageValues values;
};

class FakeServer {
public:
    // Listens on loopback on a port the system chooses (a failure fails the test).
    FakeServer();
    bool listening() const { return server_.isListening(); }
    quint16 port() const { return server_.serverPort(); }

    // The next accepted connection, which becomes the current one; null when none came in
    // time.
    QTcpSocket* Accept();
    QTcpSocket* connection() { return connection_.get(); }

    // The next message on the current connection, waiting for it within a bounded time.
    std::optional<ReceivedMessage> Next(int timeoutMs = 5000);
    void Send(const ByteString& bytes);

private:
    QTcpServer server_;
    std::unique_ptr<QTcpSocket> connection_;
    ByteString raw_;
};

}  // namespace parlino::test
