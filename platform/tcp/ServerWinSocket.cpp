#include "platform/tcp/ServerWinSocket.h"

#include "platform/core/ResourceLimits.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace parlino::tcp {

ServerWinSocket::ServerWinSocket(QObject* parent)
    : QObject(parent)
    , acceptRetry_(new QTimer(this))
{
    acceptRetry_->setSingleShot(true);
    connect(acceptRetry_, &QTimer::timeout, this, [this] {
        if (acceptNotifier_)
            acceptNotifier_->setEnabled(true);  // a connection still waiting fires it again
    });
}

ServerWinSocket::~ServerWinSocket()
{
    // Connections go without their events: the window that handles them is going too.
    for (auto& connection : connections_)
        connection->disconnect(this);
    connections_.clear();
    if (listener_ >= 0)
        ::close(listener_);
}

bool ServerWinSocket::Open(quint16 port, const QHostAddress& address)
{
    Close();
    const auto fail = [this](int fd) {
        errorString_ = QString::fromLocal8Bit(std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return false;
    };
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return fail(fd);
    const int reuse = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_port = htons(port);
    bound.sin_addr.s_addr = htonl(address.toIPv4Address());
    // Room for a whole house of subscribers reconnecting at once after a restart.
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0 || ::listen(fd, 1024) != 0)
        return fail(fd);
    socklen_t length = sizeof bound;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0)
        return fail(fd);
    listener_ = fd;
    port_ = ntohs(bound.sin_port);
    errorString_.clear();
    acceptNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(acceptNotifier_, &QSocketNotifier::activated, this, &ServerWinSocket::Accept);
    acceptNotifier_->setEnabled(true);
    return true;
}

bool ServerWinSocket::CanOpen(quint16 port, const QHostAddress& address, QString& error)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int reuse = 1;
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_port = htons(port);
    bound.sin_addr.s_addr = htonl(address.toIPv4Address());
    // As Open binds: a socket that listens on the port refuses the bind, one that is gone
    // (waiting out its close) does not.
    const bool free = fd >= 0 &&
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) == 0 &&
        ::bind(fd, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) == 0;
    if (!free)
        error = QString::fromLocal8Bit(std::strerror(errno));
    if (fd >= 0)
        ::close(fd);
    return free;
}

void ServerWinSocket::Close()
{
    acceptRetry_->stop();
    acceptRetryMs_ = 0;
    delete acceptNotifier_;
    acceptNotifier_ = nullptr;
    if (listener_ >= 0)
        ::close(listener_);
    listener_ = -1;
    port_ = 0;
    // Each disconnect event runs while the object is still in the list.
    while (!connections_.empty()) {
        ServerClientWinSocket* connection = connections_.front().get();
        connection->disconnect(this);
        connection->Close();
        HandleDisconnect(connection);
    }
}

bool ServerWinSocket::Active() const
{
    return listener_ >= 0;
}

quint16 ServerWinSocket::Port() const
{
    return port_;
}

QString ServerWinSocket::ErrorString() const
{
    return errorString_;
}

void ServerWinSocket::acceptFailed(int errorCode)
{
    // Trying again at once would fail again for as long as the table stays full; waiting
    // lets closing connections make room. The connection stays in the backlog meanwhile.
    acceptNotifier_->setEnabled(false);
    acceptRetryMs_ = acceptRetryMs_ == 0 ? FirstAcceptRetryMs : std::min(acceptRetryMs_ * 2, MaxAcceptRetryMs);
    acceptRetry_->start(acceptRetryMs_);
    if (onAcceptError)
        onAcceptError(QStringLiteral("Cannot accept a connection: %1; trying again in %2 ms")
                          .arg(QString::fromLocal8Bit(std::strerror(errorCode)))
                          .arg(acceptRetryMs_));
}

void ServerWinSocket::Accept()
{
    while (listener_ >= 0) {
        // The last descriptors stay with the window system and the tables.
        if (!descriptorsToSpare(1)) {
            acceptFailed(EMFILE);
            return;
        }
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                acceptRetryMs_ = 0;
            else
                acceptFailed(errno);
            return;
        }
        acceptRetryMs_ = 0;
        auto* socket = new QTcpSocket;
        if (!socket->setSocketDescriptor(fd)) {
            ::close(fd);
            delete socket;
            continue;
        }
        std::unique_ptr<ServerClientWinSocket> connection =
            OnGetSocket ? OnGetSocket(socket) : std::make_unique<ServerClientWinSocket>(socket);
        ServerClientWinSocket* raw = connection.get();
        connections_.push_back(std::move(connection));
        connect(raw, &ServerClientWinSocket::readyRead, this, [this](ServerClientWinSocket* c) {
            if (OnClientRead)
                OnClientRead(*c);
        });
        // Queued, so that a connection that drops while its read event runs is not freed
        // under that handler's feet.
        connect(raw, &ServerClientWinSocket::disconnected, this,
                [this, guard = QPointer<ServerClientWinSocket>(raw)] {
                    if (guard)
                        HandleDisconnect(guard);
                },
                Qt::QueuedConnection);
        if (OnClientConnect)
            OnClientConnect(*raw);
        // Bytes that came with the connection are read at once.
        if (socket->bytesAvailable() > 0 && OnClientRead)
            OnClientRead(*raw);
    }
}

void ServerWinSocket::HandleDisconnect(ServerClientWinSocket* connection)
{
    const auto it = std::find_if(connections_.begin(), connections_.end(),
                                 [connection](const auto& c) { return c.get() == connection; });
    if (it == connections_.end())
        return;
    std::unique_ptr<ServerClientWinSocket> owned = std::move(*it);
    connections_.erase(it);
    owned->disconnect(this);
    if (OnClientDisconnect)
        OnClientDisconnect(*owned);
    // Freed from the event loop: the disconnect may have been raised inside the object's
    // own signal.
    owned.release()->deleteLater();
}

}  // namespace parlino::tcp
