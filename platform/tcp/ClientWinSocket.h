// The client side of a signalling connection: a non-blocking IPv4 TCP socket whose events
// arrive on the main thread.
//
// Open() returns at once; lookup, connecting and then connect (or error) follow as events.
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

    // Where Open() connects: the address (dotted decimal) when it is set, else the host name.
    void setHost(const QString& host) { host_ = host; }
    void setAddress(const QString& address) { address_ = address; }
    void setPort(quint16 port) { port_ = port; }
    const QString& host() const { return host_; }
    const QString& address() const { return address_; }
    quint16 port() const { return port_; }

    std::function<void()> OnLookup;
    std::function<void()> OnConnecting;
    std::function<void()> OnConnect;
    std::function<void()> OnDisconnect;
    std::function<void()> OnRead;
    std::function<void(int& errorCode)> OnError;

    // Starts the connection; the events follow from the event loop.
    void Open();
    // Closes the connection at once, without events.
    void Close();
    // From Open() until Close(), an error or the peer's close.
    bool Active() const { return active_; }
    bool Connected() const { return connected_; }

    // Dotted-decimal addresses of the connection's two ends; empty when not connected.
    QString LocalAddress() const;
    QString RemoteAddress() const;

    // Every byte received and not yet read.
    std::string ReceiveText();
    // Hands bytes to the connection: the number taken (0 when its buffer is full), or -1
    // when the connection is not open or failed; the error event then follows.
    std::int64_t SendText(std::string_view bytes);

private:
    void StartConnect(quint32 ipv4);
    void TestConnection();
    void Readable();
    // Closes the socket, then runs the error event from the event loop.
    void Fail(int errorCode);
    void RaiseError(int errorCode);
    void CloseDescriptor();

    QString host_;
    QString address_;
    quint16 port_ = 0;
    bool active_ = false;
    bool connected_ = false;
    int descriptor_ = -1;
    // Tells a lookup or queued event that belongs to an earlier Open() to stay quiet.
    std::uint64_t generation_ = 0;
    bool errorPending_ = false;
    QSocketNotifier* readNotifier_ = nullptr;   // child; retired through the event loop
    QSocketNotifier* writeNotifier_ = nullptr;  // child; waits for the connect to finish
};

}  // namespace parlino::tcp
