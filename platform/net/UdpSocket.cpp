#include "platform/net/UdpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <utility>

namespace parlino::net {

namespace {

[[noreturn]] void Fail(const std::string& call, int errorCode)
{
    throw NetError(call + ": " + std::strerror(errorCode), errorCode);
}

sockaddr_in ToSockaddr(const std::string& address, std::uint16_t port, const char* call)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    if (address.empty()) {
        sa.sin_addr.s_addr = htonl(INADDR_ANY);
    } else if (inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1) {
        Fail(std::string(call) + " '" + address + "'", EINVAL);
    }
    return sa;
}

std::uint64_t NextOpenId()
{
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

void RequireOpen(int descriptor, const char* call)
{
    if (descriptor < 0)
        Fail(call, EBADF);
}

}  // namespace

std::optional<Ipv4Address> ParseIpv4Address(const std::string& address)
{
    in_addr parsed{};
    if (inet_pton(AF_INET, address.c_str(), &parsed) != 1)
        return std::nullopt;
    return parsed.s_addr;
}

NetError::NetError(const std::string& what, int errorCode)
    : std::runtime_error(what), errorCode_(errorCode)
{
}

UdpSocket::~UdpSocket()
{
    close();
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)),
      openId_(std::exchange(other.openId_, 0)),
      localAddress_(std::move(other.localAddress_)),
      localPort_(other.localPort_),
      boundPort_(std::exchange(other.boundPort_, 0)),
      peerAddress_(std::move(other.peerAddress_)),
      peerPort_(other.peerPort_)
{
}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept
{
    if (this != &other) {
        close();
        descriptor_ = std::exchange(other.descriptor_, -1);
        openId_ = std::exchange(other.openId_, 0);
        localAddress_ = std::move(other.localAddress_);
        localPort_ = other.localPort_;
        boundPort_ = std::exchange(other.boundPort_, 0);
        peerAddress_ = std::move(other.peerAddress_);
        peerPort_ = other.peerPort_;
    }
    return *this;
}

void UdpSocket::setPeer(std::string address, std::uint16_t port)
{
    peerAddress_ = std::move(address);
    peerPort_ = port;
}

void UdpSocket::allocate()
{
    close();
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        Fail("socket", errno);
    descriptor_ = fd;
    openId_ = NextOpenId();
}

void UdpSocket::bind()
{
    RequireOpen(descriptor_, "bind");
    const sockaddr_in sa = ToSockaddr(localAddress_, localPort_, "bind");
    if (::bind(descriptor_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0)
        Fail("bind", errno);
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(descriptor_, reinterpret_cast<sockaddr*>(&bound), &length) != 0)
        Fail("getsockname", errno);
    boundPort_ = ntohs(bound.sin_port);
}

void UdpSocket::connect()
{
    RequireOpen(descriptor_, "connect");
    const sockaddr_in sa = ToSockaddr(peerAddress_, peerPort_, "connect");
    if (::connect(descriptor_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0)
        Fail("connect", errno);
}

void UdpSocket::setNonBlocking(bool nonBlocking)
{
    RequireOpen(descriptor_, "fcntl");
    const int flags = ::fcntl(descriptor_, F_GETFL, 0);
    if (flags < 0)
        Fail("fcntl", errno);
    const int wanted = nonBlocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    if (::fcntl(descriptor_, F_SETFL, wanted) != 0)
        Fail("fcntl", errno);
}

std::int64_t UdpSocket::send(std::string_view bytes)
{
    return sendWithFlags(bytes, 0);
}

std::int64_t UdpSocket::sendWithoutWaiting(std::string_view bytes)
{
    return sendWithFlags(bytes, MSG_DONTWAIT);
}

std::int64_t UdpSocket::sendWithFlags(std::string_view bytes, int flags)
{
    if (descriptor_ < 0)
        return -1;
    // A connected socket reports a refusal of an earlier datagram (an ICMP port-unreachable)
    // on the next send, which then sends nothing; that stale report must not cost this
    // datagram, so the send is tried once more.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const ssize_t sent = ::send(descriptor_, bytes.data(), bytes.size(), MSG_NOSIGNAL | flags);
        if (sent >= 0)
            return sent;
        if ((flags & MSG_DONTWAIT) != 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return 0;
        if (errno != ECONNREFUSED && errno != EINTR)
            break;
    }
    return -1;
}

std::int64_t UdpSocket::receiveFrom(char* buffer, std::size_t length, Endpoint* from)
{
    sockaddr_in source{};
    const std::int64_t received = receiveWithSource(buffer, length, source);
    if (from && source.sin_family == AF_INET) {  // a datagram came, if an empty one
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &source.sin_addr, text, sizeof text);
        from->address = text;
        from->port = ntohs(source.sin_port);
    }
    return received;
}

std::int64_t UdpSocket::receiveFrom(char* buffer, std::size_t length, Ipv4Address& fromAddress)
{
    sockaddr_in source{};
    const std::int64_t received = receiveWithSource(buffer, length, source);
    fromAddress = source.sin_addr.s_addr;
    return received;
}

std::int64_t UdpSocket::receiveWithSource(char* buffer, std::size_t length, sockaddr_in& source)
{
    RequireOpen(descriptor_, "recvfrom");
    socklen_t sourceLength = sizeof source;
    ssize_t received = -1;
    do {
        received = ::recvfrom(descriptor_, buffer, length, 0, reinterpret_cast<sockaddr*>(&source),
                              &sourceLength);
    } while (received < 0 && errno == EINTR);
    if (received < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        Fail("recvfrom", errno);
    }
    return received;
}

void UdpSocket::close()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
    descriptor_ = -1;
    openId_ = 0;
    boundPort_ = 0;
}

}  // namespace parlino::net
