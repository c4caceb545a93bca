// Waiting on several UDP sockets at once.
#pragma once

#include "platform/net/UdpSocket.h"

#include <vector>

namespace parlino::net {

enum class SocketReadiness { Readable, Writable };

// Waits up to `timeoutMs` milliseconds (negative: without limit) until at least one of the
// sockets is ready for `what`. Returns the number of ready sockets, 0 on time-out and -1 on
// error, and leaves in `sockets` only the ready ones, in their given order (on time-out or
// error the list ends up empty). A socket with a pending error counts as ready, so that
// its next receive reports the error. The list may hold any number of sockets; a socket
// that is not open is never ready. An empty list returns 0 at once.
int WaitForSockets(std::vector<UdpSocket*>& sockets, SocketReadiness what, int timeoutMs);

}  // namespace parlino::net
