#include "platform/net/SocketWait.h"

#include "platform/net/WaitDeadline.h"

#include <poll.h>

#include <cerrno>

namespace parlino::net {

namespace {

// poll() with the time-out kept across interruptions by signals.
int PollWithDeadline(std::vector<pollfd>& fds, int timeoutMs)
{
    const WaitDeadline deadline(timeoutMs);
    for (;;) {
        const int result = ::poll(fds.data(), fds.size(), deadline.remainingMs());
        if (result >= 0 || errno != EINTR)
            return result;
    }
}

}  // namespace

int WaitForSockets(std::vector<UdpSocket*>& sockets, SocketReadiness what, int timeoutMs)
{
    if (sockets.empty())
        return 0;
    const short wanted = what == SocketReadiness::Readable ? POLLIN : POLLOUT;
    std::vector<pollfd> fds(sockets.size());
    for (std::size_t i = 0; i < sockets.size(); ++i)
        fds[i] = {sockets[i] ? sockets[i]->descriptor() : -1, wanted, 0};

    const int result = PollWithDeadline(fds, timeoutMs);
    if (result <= 0) {
        sockets.clear();
        return result < 0 ? -1 : 0;
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < sockets.size(); ++i) {
        if (fds[i].fd >= 0 && (fds[i].revents & (wanted | POLLERR | POLLHUP)) != 0)
            sockets[kept++] = sockets[i];
    }
    sockets.resize(kept);
    return static_cast<int>(kept);
}

}  // namespace parlino::net
