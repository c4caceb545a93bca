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

class ServerClientWinSocket : public QObject {
    Q_OBJECT
public:
    // Takes ownership of an accepted, connected socket.
    explicit ServerClientWinSocket(QTcpSocket* socket);
    ~ServerClientWinSocket() override;

    // Every byte received and not yet read.
    std::string ReceiveAll();
    // Hands bytes to the connection: the number taken, or -1 when it is closed or failed.
    std::int64_t SendBuf(std::string_view bytes);

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
    QTcpSocket* socket_;  // owned (child)
    bool closed_ = false;
};

// Dotted-decimal text of an address, without the IPv4-mapped IPv6 prefix.
QString DottedAddress(const QHostAddress& address);

}  // namespace parlino::tcp
