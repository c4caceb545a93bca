// A subscriber on loopback that plays the softphone's side of the signalling: a real TCP
// connection to a server's listening socket that sends messages and reads what the server
// says, framed as the client frames it.
#pragma once

#include "common/MessageFraming.h"

#include <QTcpSocket>

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace parlino::test {

struct ServerMessage {
    char letter = 0;
    MessageValues values;
};

class Subscriber {
public:
    // Connects to the port on loopback, waiting a bounded time.
    explicit Subscriber(quint16 port);

    bool connected() const { return connected_; }
    QTcpSocket& socket() { return socket_; }

    void SendRaw(const ByteString& bytes);
    void Send(char letter, int count = 0, const MessageValues& values = {});
    void SignIn(std::int32_t id, const std::string& password = "582047",
                const std::string& newPassword = "", std::int32_t voicePort = 40000);

    // The next message from the server, waiting for it within a bounded time.
    std::optional<ServerMessage> Next(int timeoutMs = 5000);
    // The letter of the next message, or '\0' when none came.
    char NextLetter();
    // Bytes received and not yet framed (to look at the raw form of a message).
    ByteString TakeRaw(std::size_t count, int timeoutMs = 5000);

private:
    void Drain();

    QTcpSocket socket_;
    bool connected_ = false;
    ByteString raw_;
    std::deque<ServerMessage> received_;
};

}  // namespace parlino::test
