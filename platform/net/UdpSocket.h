// A UDP datagram socket handle over IPv4.
//
// The handle keeps the address and port to bind and the peer to talk to; the socket itself
// exists from allocate() until close() (or destruction). Addresses are dotted-decimal text;
// an empty local address binds every local address and local port 0 lets the system choose.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sockaddr_in;

namespace parlino::net {

// A socket call that failed; what() names the call and the system's reason.
class NetError : public std::runtime_error {
public:
    NetError(const std::string& what, int errorCode);
    int errorCode() const { return errorCode_; }

private:
    int errorCode_;
};

struct Endpoint {
    std::string address;  // dotted decimal
    std::uint16_t port = 0;
};

// An IPv4 address as the system hands it over with a datagram (network byte order), so that a
// sender's address is checked without making text of it.
using Ipv4Address = std::uint32_t;
// The dotted-decimal address as an Ipv4Address; nothing when the text is not one.
std::optional<Ipv4Address> ParseIpv4Address(const std::string& address);

class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    void setLocalAddress(std::string address) { localAddress_ = std::move(address); }
    void setLocalPort(std::uint16_t port) { localPort_ = port; }
    const std::string& localAddress() const { return localAddress_; }
    std::uint16_t localPort() const { return localPort_; }

    void setPeer(std::string address, std::uint16_t port);
    const std::string& peerAddress() const { return peerAddress_; }
    std::uint16_t peerPort() const { return peerPort_; }

    // Creates a new datagram socket, closing any previous one first. Throws NetError.
    void allocate();
    // Binds the socket to the local address and port and reads back the port bound.
    // Throws NetError (also for an address that is not dotted-decimal IPv4).
    void bind();
    // The port the socket is bound to; 0 before bind().
    std::uint16_t boundPort() const { return boundPort_; }
    // Fixes the peer set by setPeer(): send() goes there. Throws NetError.
    void connect();
    // Throws NetError when the socket is not open or the mode cannot be set.
    void setNonBlocking(bool nonBlocking);

    // Sends one datagram on a connected socket; returns the bytes taken or -1 on failure.
    std::int64_t send(std::string_view bytes);
    // The same without ever waiting for room in the socket's buffer: 0 when there is none
    // now. Spares a sender that must not block the wait for writability before each send.
    std::int64_t sendWithoutWaiting(std::string_view bytes);
    // Receives one datagram of at most `length` bytes; longer datagrams are cut.
    // Returns its length, 0 when a non-blocking socket has nothing waiting. The sender's
    // address goes to `from` when given. Throws NetError when the receive fails.
    std::int64_t receiveFrom(char* buffer, std::size_t length, Endpoint* from = nullptr);
    // The same with only the sender's address, as the system gives it.
    std::int64_t receiveFrom(char* buffer, std::size_t length, Ipv4Address& fromAddress);

    void close();
    bool isOpen() const { return descriptor_ >= 0; }
    int descriptor() const { return descriptor_; }
    // A number no other socket made by allocate() in this process has had, 0 while closed.
    // Tells this socket apart from an earlier one that had the same descriptor (and the same
    // handle), for whoever keeps state per open socket.
    std::uint64_t openId() const { return openId_; }

private:
    std::int64_t sendWithFlags(std::string_view bytes, int flags);
    std::int64_t receiveWithSource(char* buffer, std::size_t length, sockaddr_in& source);

    int descriptor_ = -1;
    std::uint64_t openId_ = 0;
    std::string localAddress_;
    std::uint16_t localPort_ = 0;
    std::uint16_t boundPort_ = 0;
    std::string peerAddress_;
    std::uint16_t peerPort_ = 0;
};

}  // namespace parlino::net
