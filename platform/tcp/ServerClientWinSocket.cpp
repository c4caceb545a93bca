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
    connect(socket_, &QTcpSocket::readyRead, this, [this] { emit readyRead(this); });
    // A reset or other error ends the connection like an orderly close: a subscriber that
    // vanishes is not the operator's business.
    connect(socket_, &QTcpSocket::disconnected, this, [this] {
        if (!closed_) {
            closed_ = true;
            emit disconnected(this);
        }
    });
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (socket_->state() != QAbstractSocket::ConnectedState && !closed_) {
            closed_ = true;
            emit disconnected(this);
        }
    });
}

ServerClientWinSocket::~ServerClientWinSocket() = default;

std::string ServerClientWinSocket::ReceiveAll()
{
    const QByteArray bytes = socket_->readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::int64_t ServerClientWinSocket::SendBuf(std::string_view bytes)
{
    if (!Connected())
        return -1;
    const qint64 taken = socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
    return taken < 0 ? -1 : taken;
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
