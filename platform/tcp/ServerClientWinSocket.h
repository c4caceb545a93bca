// One accepted TCP connection of a ServerWinSocket. Its events arrive on the main thread.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

class QTcpSocket;

namespace parlino::tcp {

// What may wait unsent for one connection. A peer that stops reading while the server goes
// on answering would hold the server's memory without bound; its connection is closed
// instead, discarding what waits.
inline constexpr std::int64_t MaxUnsentBytes = 1 << 20;
// What one connection reads ahead of its owner; the rest waits with the system, whose flow
// control then holds the peer back.
inline constexpr std::int64_t ReadAheadBytes = 64 * 1024;

class ServerClientWinSocket : public QObject {
    Q_OBJECT
public:
    // Takes ownership of an accepted, connected socket.
    explicit ServerClientWinSocket(QTcpSocket* socket);
    ~ServerClientWinSocket() override;

    // Every byte received and not yet read: at most ReadAheadBytes, and the socket reads on
    // from the system only once they are taken.
    std::string ReceiveAll();
    // How many bytes ReceiveAll would return now.
    std::int64_t bytesAvailable() const;
    // Hands bytes to the connection: the number taken, or -1 when it is closed or failed.
    // Bytes that would leave more than MaxUnsentBytes waiting close it at once, unless
    // nothing waits yet (one message is sent whatever its size).
    std::int64_t SendBuf(std::string_view bytes);
    // True once SendBuf closed the connection for what its peer left unread.
    bool overflowed() const { return overflowed_; }

    bool Connected() const;
    // Peer and local addresses as dotted-decimal IPv4 text.
    QString RemoteAddress() const;
    quint16 RemotePort() const;
    QString LocalAddress() const;
    quint16 LocalPort() const;

    // Closes the connection; the disconnect event follows from the event loop.
    void Close();

signals:
    void readyRead(parlino::tcp::ServerClientWinSocket* socket);
    void disconnected(parlino::tcp::ServerClientWinSocket* socket);

private:
    bool wouldOverflow(std::int64_t size) const;
    void markClosed();

    QTcpSocket* socket_;  // owned (child)
    bool closed_ = false;
    bool overflowed_ = false;
};

// Dotted-decimal text of an address, without the IPv4-mapped IPv6 prefix.
QString DottedAddress(const QHostAddress& address);

}  // namespace parlino::tcp
