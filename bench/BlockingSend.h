// Writing a whole message on a blocking socket, for the peers the benchmarks play.
#pragma once

#include "common/ZeltUtils.h"

#include <sys/socket.h>

namespace parlino::bench {

// Sends every byte; false when the connection failed or closed first.
inline bool SendAll(int fd, const ByteString& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace parlino::bench
