// The listening TCP socket of a server window: accepts connections on IPv4 and reports
// their events on the main thread, in the order the connections were accepted.
#pragma once

#include "platform/tcp/ServerClientWinSocket.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;
class QTimer;
class QTcpSocket;

namespace parlino::tcp {

class ServerWinSocket : public QObject {
    Q_OBJECT
public:
    explicit ServerWinSocket(QObject* parent = nullptr);
    ~ServerWinSocket() override;

    // Makes the connection object for an accepted socket (which it must take over).
    // Without it a plain ServerClientWinSocket is made.
    std::function<std::unique_ptr<ServerClientWinSocket>(QTcpSocket*)> OnGetSocket;
    std::function<void(ServerClientWinSocket&)> OnClientConnect;
    std::function<void(ServerClientWinSocket&)> OnClientRead;
    // Runs once per connection after it closed; the object is freed after the event.
    std::function<void(ServerClientWinSocket&)> OnClientDisconnect;
    // Told of every accept that failed (a full descriptor table): the waiting connection
    // stays in the backlog and accepting is tried again after a back-off that doubles from
    // FirstAcceptRetryMs to MaxAcceptRetryMs and starts over once an accept succeeds.
    std::function<void(const QString& error)> onAcceptError;
    static constexpr int FirstAcceptRetryMs = 100;
    static constexpr int MaxAcceptRetryMs = 2000;

    // Starts listening; false with ErrorString() when the port cannot be opened.
    bool Open(quint16 port, const QHostAddress& address = QHostAddress::AnyIPv4);
    // Whether Open could take the port now: it is bound and let go again without listening,
    // so that no connection is taken meanwhile. The reason goes to `error` when it could not.
    static bool CanOpen(quint16 port, const QHostAddress& address, QString& error);
    // Stops listening and closes every connection; their disconnect events run first.
    void Close();
    bool Active() const;
    quint16 Port() const;
    QString ErrorString() const;

    // Open connections in the order they were accepted.
    int ActiveConnections() const { return static_cast<int>(connections_.size()); }
    ServerClientWinSocket* Connections(int index) const { return connections_.at(static_cast<std::size_t>(index)).get(); }

private:
    void Accept();
    void acceptFailed(int errorCode);
    void HandleDisconnect(ServerClientWinSocket* connection);

    // The listening socket is our own: at a full descriptor table Qt's server keeps polling
    // a socket it cannot accept from, at a full core.
    int listener_ = -1;  // owned
    QSocketNotifier* acceptNotifier_ = nullptr;  // owned (child), while listening
    quint16 port_ = 0;
    QString errorString_;
    QTimer* acceptRetry_;  // owned (child); single shot
    int acceptRetryMs_ = 0;  // 0 while accepting works
    std::vector<std::unique_ptr<ServerClientWinSocket>> connections_;
};

}  // namespace parlino::tcp
