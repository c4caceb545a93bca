// One of the server's voice sockets, with what the relay keeps per socket.
#pragma once

#include "common/ZeltUtils.h"
#include "platform/net/UdpSocket.h"

#include <atomic>
#include <cstdint>

namespace parlino {

class TZeltIdSocketHandle : public net::UdpSocket {
public:
    TZeltIdSocketHandle() = default;

    // Datagram bytes received and not yet forwarded. A packet cut across datagrams waits
    // here for its rest.
    ByteString receiveBuffer;
    // Set by the relay when a whole voice packet came through this socket; read and
    // cleared by the billing tick to find talks that have gone silent.
    std::atomic<std::uint8_t> activityFlag{0};
};

}  // namespace parlino
