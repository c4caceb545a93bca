#include "platform/tcp/ServerClientWinSocket.h"

#include <QHostAddress>
#include <QTcpSocket>

namespace parlino::tcp {

QString DottedAddress(const QHostAddress& address)
{
    bool isIPv4 = false;
    const quint32 v4 = address.toIPv4Address(&isIPv4);
    return isIPv4 ? QHostAddress(v4).toString() : address.toString();
}

ServerClientWinSocket::ServerClientWinSocket(QTcpSocket* socket)
    : socket_(socket)
{
    socket_->setParent(this);
    socket_->setReadBufferSize(ReadAheadBytes);
    connect(socket_, &QTcpSocket::readyRead, this, [this] { emit readyRead(this); });
    // A reset or other error ends the connection like an orderly close: a subscriber that
    // vanishes is not the operator's business.
    connect(socket_, &QTcpSocket::disconnected, this, [this] { markClosed(); });
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (socket_->state() != QAbstractSocket::ConnectedState)
            markClosed();
    });
}

void ServerClientWinSocket::markClosed()
{
    if (!closed_) {
        closed_ = true;
        emit disconnected(this);
    }
}

ServerClientWinSocket::~ServerClientWinSocket() = default;

std::string ServerClientWinSocket::ReceiveAll()
{
    const QByteArray bytes = socket_->readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::int64_t ServerClientWinSocket::bytesAvailable() const
{
    return socket_->bytesAvailable();
}

std::int64_t ServerClientWinSocket::SendBuf(std::string_view bytes)
{
    if (!Connected())
        return -1;
    const auto size = static_cast<qint64>(bytes.size());
    if (wouldOverflow(size)) {
        // Whatever the system takes now no longer counts against the peer.
        while (socket_->bytesToWrite() > 0 && socket_->flush()) {}
        if (wouldOverflow(size)) {
            overflowed_ = true;
            socket_->abort();  // a close would wait for the peer to take what waits
            markClosed();
        }
        if (!Connected())
            return -1;
    }
    const qint64 taken = socket_->write(bytes.data(), size);
    return taken < 0 ? -1 : taken;
}

bool ServerClientWinSocket::wouldOverflow(std::int64_t size) const
{
    const qint64 waiting = socket_->bytesToWrite();
    return waiting > 0 && waiting + size > MaxUnsentBytes;
}

bool ServerClientWinSocket::Connected() const
{
    return !closed_ && socket_->state() == QAbstractSocket::ConnectedState;
}

QString ServerClientWinSocket::RemoteAddress() const
{
    return DottedAddress(socket_->peerAddress());
}

quint16 ServerClientWinSocket::RemotePort() const
{
    return socket_->peerPort();
}

QString ServerClientWinSocket::LocalAddress() const
{
    return DottedAddress(socket_->localAddress());
}

quint16 ServerClientWinSocket::LocalPort() const
{
    return socket_->localPort();
}

void ServerClientWinSocket::Close()
{
    socket_->disconnectFromHost();
}

}  // namespace parlino::tcp
