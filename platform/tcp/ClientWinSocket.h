// The client side of a signalling connection: a non-blocking IPv4 TCP socket whose events
// arrive on the main thread.
//
// open() returns at once; lookup, connecting and then connect (or error) follow as events.
// Errors carry the system's error number (111 refused, 104 reset, 110 timed out, 113 or 101
// unreachable). A host name that cannot be resolved gives HostNotFoundError. An orderly
// close by the peer is the disconnect event only. The socket is closed before an error
// event runs; the handler may set the code to 0 to keep the socket quiet, else the error
// is written to standard error.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>

class QSocketNotifier;

namespace parlino::tcp {

class ClientWinSocket : public QObject {
    Q_OBJECT
public:
    // The code of a host name that cannot be resolved (ENXIO, "No such device or address").
    static constexpr int HostNotFoundError = 6;
    // The code of a send on a connection that is not (or no longer) open (ENOTCONN).
    static constexpr int NotConnectedError = 107;

    explicit ClientWinSocket(QObject* parent = nullptr);
    ~ClientWinSocket() override;

    // Where open() connects: the address (dotted decimal, every octet read as decimal) when
    // it is set, else the host name.
    void setHost(const QString& host) { host_ = host; }
    void setAddress(const QString& address) { address_ = address; }
    void setPort(quint16 port) { port_ = port; }
    const QString& host() const { return host_; }
    const QString& address() const { return address_; }
    quint16 port() const { return port_; }

    std::function<void()> onLookup;
    std::function<void()> onConnecting;
    std::function<void()> onConnect;
    std::function<void()> onDisconnect;
    std::function<void()> onRead;
    std::function<void(int& errorCode)> onError;

    // Starts the connection; the events follow from the event loop.
    void open();
    // Closes the connection at once, without events.
    void close();
    // From open() until close(), an error or the peer's close.
    bool active() const { return active_; }
    bool connected() const { return connected_; }

    // Dotted-decimal addresses of the connection's two ends; empty when not connected.
    QString localAddress() const;
    QString remoteAddress() const;

    // The bytes received and not yet read, at most `maxBytes` of them; the rest stay for
    // the next read event.
    std::string receiveText(std::size_t maxBytes = std::numeric_limits<std::size_t>::max());
    // Hands bytes to the connection: the number taken, or -1 when the connection is not
    // open or failed; the error event then follows. While the connection's buffer is full
    // it waits for room, blocking, up to the send stall limit; a limit that passes without
    // a byte taken fails the connection with ETIMEDOUT (110).
    std::int64_t sendText(std::string_view bytes);
    static constexpr int DefaultSendStallLimitMs = 10000;
    void setSendStallLimitMs(int limitMs) { sendStallLimitMs_ = limitMs; }

private:
    void startConnect(quint32 ipv4);
    void testConnection();
    void readable();
    // Closes the socket, then runs the error event from the event loop.
    void fail(int errorCode);
    void raiseError(int errorCode);
    void closeDescriptor();

    QString host_;
    QString address_;
    quint16 port_ = 0;
    int sendStallLimitMs_ = DefaultSendStallLimitMs;
    bool active_ = false;
    bool connected_ = false;
    int descriptor_ = -1;
    // Tells a lookup or queued event that belongs to an earlier open() to stay quiet.
    std::uint64_t generation_ = 0;
    bool errorPending_ = false;
    QSocketNotifier* readNotifier_ = nullptr;   // child; retired through the event loop
    QSocketNotifier* writeNotifier_ = nullptr;  // child; waits for the connect to finish
};

}  // namespace parlino::tcp
