#include "platform/tcp/ClientWinSocket.h"

#include "platform/net/WaitDeadline.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>

namespace parlino::tcp {

namespace {

QString addressText(const sockaddr_in& address)
{
    char text[INET_ADDRSTRLEN] = {};
    if (!::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text))
        return {};
    return QString::fromLatin1(text);
}

// Four octets of one to three decimal digits each, up to 255: "01" is 1, never octal.
std::optional<quint32> dottedDecimal(const QString& text)
{
    const QStringList parts = text.split(u'.');
    if (parts.size() != 4)
        return std::nullopt;
    quint32 address = 0;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return std::nullopt;
        unsigned octet = 0;
        for (const QChar c : part) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
            octet = octet * 10 + static_cast<unsigned>(c.unicode() - u'0');
        }
        if (octet > 255)
            return std::nullopt;
        address = address << 8 | octet;
    }
    return address;
}

// One end of a connected socket, read with getsockname or getpeername.
QString endAddress(int descriptor, int (*query)(int, sockaddr*, socklen_t*))
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (query(descriptor, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    return addressText(address);
}

// A notifier is dropped from the event loop, never deleted inside its own signal.
void retire(QSocketNotifier*& notifier)
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
    closeDescriptor();
}

void ClientWinSocket::open()
{
    close();
    active_ = true;
    const std::uint64_t generation = generation_;
    // The lookup event and everything after it come from the event loop, never from
    // inside open() itself.
    QTimer::singleShot(0, this, [this, generation] {
        if (generation != generation_)
            return;
        if (onLookup)
            onLookup();
        if (generation != generation_)
            return;
        if (!address_.isEmpty()) {
            if (const std::optional<quint32> ipv4 = dottedDecimal(address_))
                startConnect(*ipv4);
            else
                fail(HostNotFoundError);
            return;
        }
        QHostInfo::lookupHost(host_, this, [this, generation](const QHostInfo& info) {
            if (generation != generation_)
                return;
            for (const QHostAddress& found : info.addresses()) {
                bool isIPv4 = false;
                const quint32 ipv4 = found.toIPv4Address(&isIPv4);
                if (isIPv4) {
                    startConnect(ipv4);
                    return;
                }
            }
            fail(HostNotFoundError);
        });
    });
}

void ClientWinSocket::close()
{
    ++generation_;
    closeDescriptor();
    active_ = false;
    connected_ = false;
    errorPending_ = false;
}

void ClientWinSocket::startConnect(quint32 ipv4)
{
    const std::uint64_t generation = generation_;
    descriptor_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (descriptor_ < 0) {
        fail(errno);
        return;
    }
    if (onConnecting)
        onConnecting();
    if (generation != generation_)
        return;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port_);
    peer.sin_addr.s_addr = htonl(ipv4);
    if (::connect(descriptor_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
        testConnection();
        return;
    }
    if (errno != EINPROGRESS) {
        fail(errno);
        return;
    }
    writeNotifier_ = new QSocketNotifier(descriptor_, QSocketNotifier::Write, this);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &ClientWinSocket::testConnection);
}

void ClientWinSocket::testConnection()
{
    retire(writeNotifier_);
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(descriptor_, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    if (error != 0) {
        fail(error);
        return;
    }
    connected_ = true;
    readNotifier_ = new QSocketNotifier(descriptor_, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &ClientWinSocket::readable);
    if (onConnect)
        onConnect();
}

void ClientWinSocket::readable()
{
    char first = 0;
    const ssize_t peeked = ::recv(descriptor_, &first, 1, MSG_PEEK | MSG_DONTWAIT);
    if (peeked > 0) {
        if (onRead)
            onRead();
        return;
    }
    if (peeked < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            fail(errno);
        return;
    }
    // The peer closed the connection in order: that is no error.
    close();
    if (onDisconnect)
        onDisconnect();
}

std::string ClientWinSocket::receiveText(std::size_t maxBytes)
{
    std::string received;
    if (descriptor_ < 0)
        return received;
    char chunk[65536];
    while (received.size() < maxBytes) {
        const std::size_t wanted = std::min(sizeof chunk, maxBytes - received.size());
        const ssize_t n = ::recv(descriptor_, chunk, wanted, MSG_DONTWAIT);
        if (n > 0) {
            received.append(chunk, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            fail(errno);
        // End of stream is left for the read notifier, which reports the disconnect.
        return received;
    }
    return received;
}

std::int64_t ClientWinSocket::sendText(std::string_view bytes)
{
    if (!connected_) {
        fail(NotConnectedError);
        return -1;
    }
    // A peer that stops reading fills the buffer: wait for room instead of spinning, and give
    // the connection up when none comes in time.
    const net::WaitDeadline deadline(sendStallLimitMs_);
    for (;;) {
        const ssize_t n = ::send(descriptor_, bytes.data(), bytes.size(),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0)
            return n;
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            fail(errno);
            return -1;
        }
        const int leftMs = deadline.remainingMs();
        if (leftMs == 0) {
            fail(ETIMEDOUT);
            return -1;
        }
        // A reset while waiting wakes the wait too; the next send reports it.
        pollfd room{descriptor_, POLLOUT, 0};
        if (::poll(&room, 1, leftMs) < 0 && errno != EINTR) {
            fail(errno);
            return -1;
        }
    }
}

QString ClientWinSocket::localAddress() const
{
    return connected_ ? endAddress(descriptor_, &::getsockname) : QString();
}

QString ClientWinSocket::remoteAddress() const
{
    return connected_ ? endAddress(descriptor_, &::getpeername) : QString();
}

void ClientWinSocket::fail(int errorCode)
{
    closeDescriptor();
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
        raiseError(errorCode);
    });
}

void ClientWinSocket::raiseError(int errorCode)
{
    int code = errorCode;
    if (onError)
        onError(code);
    if (code != 0)
        std::cerr << "Socket error (" << code << "): " << std::strerror(code) << std::endl;
}

void ClientWinSocket::closeDescriptor()
{
    retire(readNotifier_);
    retire(writeNotifier_);
    if (descriptor_ >= 0) {
        ::close(descriptor_);
        descriptor_ = -1;
    }
}

}  // namespace parlino::tcp
