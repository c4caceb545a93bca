// The server's object for one subscriber connection: the bytes not yet handled and the
// Client_ID signed in on it.
#pragma once

#include "common/ZeltUtils.h"
#include "platform/tcp/ServerClientWinSocket.h"

#include <cstdint>

namespace parlino {

class TZeltServerClientWinSocket : public tcp::ServerClientWinSocket {
public:
    explicit TZeltServerClientWinSocket(QTcpSocket* socket) : tcp::ServerClientWinSocket(socket) {}

    ByteString InBuffer;          // received and not yet handled
    // Whole messages wait in InBuffer for a queued continuation: the connection used up its
    // time slice, and new bytes wait with the socket until the continuation runs.
    bool inputPending = false;
    std::int32_t Client_ID = 0;   // 0 until a sign-in on this connection is accepted
};

}  // namespace parlino
