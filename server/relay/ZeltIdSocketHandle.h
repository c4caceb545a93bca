// One of the server's voice sockets, with what the relay keeps per socket.
#pragma once

#include "common/ZeltUtils.h"
#include "platform/net/UdpSocket.h"

#include <atomic>
#include <cstdint>
#include <optional>

namespace parlino {

class TZeltIdSocketHandle : public net::UdpSocket {
public:
    TZeltIdSocketHandle() = default;

    // Of a receive socket: the address its subscriber signed in from, the only one whose
    // datagrams it takes. Those of any other are read and dropped, so that a stranger can
    // neither speak into a talk nor keep a silent one alive and charged. None (an address
    // that is no IPv4 one): every datagram is dropped.
    std::optional<net::Ipv4Address> senderAddress;
    // Datagram bytes received and not yet forwarded. A packet cut across datagrams waits
    // here for its rest.
    ByteString receiveBuffer;
    // Set by the relay when a whole voice packet came through this socket; read and
    // cleared by the billing tick to find talks that have gone silent.
    std::atomic<std::uint8_t> activityFlag{0};
};

}  // namespace parlino
