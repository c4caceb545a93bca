#include "platform/tcp/ClientWinSocket.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

namespace parlino::tcp {

namespace {

QString AddressText(const sockaddr_in& address)
{
    char text[INET_ADDRSTRLEN] = {};
    if (!::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text))
        return {};
    return QString::fromLatin1(text);
}

// One end of a connected socket, read with getsockname or getpeername.
QString EndAddress(int descriptor, int (*query)(int, sockaddr*, socklen_t*))
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (query(descriptor, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    return AddressText(address);
}

// A notifier is dropped from the event loop, never deleted inside its own signal.
void Retire(QSocketNotifier*& notifier)
{
    if (notifier) {
        notifier->setEnabled(false);
        notifier->disconnect();
        notifier->deleteLater();
        notifier = nullptr;
    }
}

}  // namespace

ClientWinSocket::ClientWinSocket(QObject* parent)
    : QObject(parent)
{
}

ClientWinSocket::~ClientWinSocket()
{
    CloseDescriptor();
}

void ClientWinSocket::Open()
{
    Close();
    active_ = true;
    const std::uint64_t generation = generation_;
    // The lookup event and everything after it come from the event loop, never from
    // inside Open() itself.
    QTimer::singleShot(0, this, [this, generation] {
        if (generation != generation_)
            return;
        if (OnLookup)
            OnLookup();
        if (generation != generation_)
            return;
        if (!address_.isEmpty()) {
            in_addr parsed{};
            if (::inet_pton(AF_INET, address_.toLatin1().constData(), &parsed) == 1)
                StartConnect(ntohl(parsed.s_addr));
            else
                Fail(HostNotFoundError);
            return;
        }
        QHostInfo::lookupHost(host_, this, [this, generation](const QHostInfo& info) {
            if (generation != generation_)
                return;
            for (const QHostAddress& found : info.addresses()) {
                bool isIPv4 = false;
                const quint32 ipv4 = found.toIPv4Address(&isIPv4);
                if (isIPv4) {
                    StartConnect(ipv4);
                    return;
                }
            }
            Fail(HostNotFoundError);
        });
    });
}

void ClientWinSocket::Close()
{
    ++generation_;
    CloseDescriptor();
    active_ = false;
    connected_ = false;
    errorPending_ = false;
}

void ClientWinSocket::StartConnect(quint32 ipv4)
{
    const std::uint64_t generation = generation_;
    descriptor_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (descriptor_ < 0) {
        Fail(errno);
        return;
    }
    if (OnConnecting)
        OnConnecting();
    if (generation != generation_)
        return;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port_);
    peer.sin_addr.s_addr = htonl(ipv4);
    if (::connect(descriptor_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
        TestConnection();
        return;
    }
    if (errno != EINPROGRESS) {
        Fail(errno);
        return;
    }
    writeNotifier_ = new QSocketNotifier(descriptor_, QSocketNotifier::Write, this);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &ClientWinSocket::TestConnection);
}

void ClientWinSocket::TestConnection()
{
    Retire(writeNotifier_);
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(descriptor_, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    if (error != 0) {
        Fail(error);
        return;
    }
    connected_ = true;
    readNotifier_ = new QSocketNotifier(descriptor_, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &ClientWinSocket::Readable);
    if (OnConnect)
        OnConnect();
}

void ClientWinSocket::Readable()
{
    char first = 0;
    const ssize_t peeked = ::recv(descriptor_, &first, 1, MSG_PEEK | MSG_DONTWAIT);
    if (peeked > 0) {
        if (OnRead)
            OnRead();
        return;
    }
    if (peeked < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            Fail(errno);
        return;
    }
    // The peer closed the connection in order: that is no error.
    Close();
    if (OnDisconnect)
        OnDisconnect();
}

std::string ClientWinSocket::ReceiveText()
{
    std::string received;
    if (descriptor_ < 0)
        return received;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::recv(descriptor_, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0) {
            received.append(chunk, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            Fail(errno);
        // End of stream is left for the read notifier, which reports the disconnect.
        return received;
    }
}

std::int64_t ClientWinSocket::SendText(std::string_view bytes)
{
    if (!connected_) {
        Fail(NotConnectedError);
        return -1;
    }
    const ssize_t n = ::send(descriptor_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0)
        return n;
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return 0;
    Fail(errno);
    return -1;
}

QString ClientWinSocket::LocalAddress() const
{
    return connected_ ? EndAddress(descriptor_, &::getsockname) : QString();
}

QString ClientWinSocket::RemoteAddress() const
{
    return connected_ ? EndAddress(descriptor_, &::getpeername) : QString();
}

void ClientWinSocket::Fail(int errorCode)
{
    CloseDescriptor();
    active_ = false;
    connected_ = false;
    // One error per failure: further sends on the dead connection add none.
    if (errorPending_)
        return;
    errorPending_ = true;
    const std::uint64_t generation = generation_;
    QTimer::singleShot(0, this, [this, generation, errorCode] {
        if (generation != generation_)
            return;
        RaiseError(errorCode);
    });
}

void ClientWinSocket::RaiseError(int errorCode)
{
    int code = errorCode;
    if (OnError)
        OnError(code);
    if (code != 0)
        std::cerr << "Socket error (" << code << "): " << std::strerror(code) << std::endl;
}

void ClientWinSocket::CloseDescriptor()
{
    Retire(readNotifier_);
    Retire(writeNotifier_);
    if (descriptor_ >= 0) {
        ::close(descriptor_);
        descriptor_ = -1;
    }
}

}  // namespace parlino::tcp
