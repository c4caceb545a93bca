#include "platform/tcp/ServerWinSocket.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace parlino::tcp {

ServerWinSocket::ServerWinSocket(QObject* parent)
    : QObject(parent)
    , server_(new QTcpServer(this))
    , acceptRetry_(new QTimer(this))
{
    connect(server_, &QTcpServer::newConnection, this, &ServerWinSocket::Accept);
    connect(server_, &QTcpServer::acceptError, this, &ServerWinSocket::acceptFailed);
    acceptRetry_->setSingleShot(true);
    connect(acceptRetry_, &QTimer::timeout, this, [this] {
        if (server_->isListening())
            server_->resumeAccepting();
    });
}

ServerWinSocket::~ServerWinSocket()
{
    // Connections go without their events: the window that handles them is going too.
    for (auto& connection : connections_)
        connection->disconnect(this);
    connections_.clear();
}

bool ServerWinSocket::Open(quint16 port, const QHostAddress& address)
{
    Close();
    // Room for a whole house of subscribers reconnecting at once after a restart.
    server_->setListenBacklogSize(1024);
    return server_->listen(address, port);
}

void ServerWinSocket::Close()
{
    acceptRetry_->stop();
    acceptRetryMs_ = 0;
    server_->close();
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
    return server_->isListening();
}

quint16 ServerWinSocket::Port() const
{
    return server_->serverPort();
}

QString ServerWinSocket::ErrorString() const
{
    return server_->errorString();
}

void ServerWinSocket::acceptFailed()
{
    // Qt has stopped accepting. Trying again at once would spin on the same error for as
    // long as the table stays full; waiting lets closing connections make room.
    server_->pauseAccepting();
    acceptRetryMs_ = acceptRetryMs_ == 0 ? FirstAcceptRetryMs : std::min(acceptRetryMs_ * 2, MaxAcceptRetryMs);
    acceptRetry_->start(acceptRetryMs_);
    if (onAcceptError)
        onAcceptError(QStringLiteral("Cannot accept a connection: %1; trying again in %2 ms")
                          .arg(server_->errorString())
                          .arg(acceptRetryMs_));
}

void ServerWinSocket::Accept()
{
    acceptRetryMs_ = 0;
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
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
