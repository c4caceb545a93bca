#include "platform/net/SocketWaitSet.h"

#include "platform/net/WaitDeadline.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace parlino::net {

namespace {

// What a registration carries back in each report: the descriptor and the low half of the
// socket's open id, so that a report of a closed socket is never taken for its successor.
std::uint64_t ReportData(int descriptor, std::uint64_t openId)
{
    return (openId << 32) | static_cast<std::uint32_t>(descriptor);
}

int ReportedDescriptor(std::uint64_t data)
{
    return static_cast<int>(static_cast<std::uint32_t>(data));
}

bool ReportedIdMatches(std::uint64_t data, std::uint64_t openId)
{
    return (data >> 32) == static_cast<std::uint32_t>(openId);
}

}  // namespace

SocketWaitSet::SocketWaitSet() : epoll_(::epoll_create1(EPOLL_CLOEXEC)) {}

SocketWaitSet::~SocketWaitSet()
{
    if (epoll_ >= 0)
        ::close(epoll_);
}

int SocketWaitSet::wait(std::vector<UdpSocket*>& sockets, SocketReadiness what, int timeoutMs)
{
    if (sockets.empty())
        return 0;
    if (epoll_ < 0)
        return WaitForSockets(sockets, what, timeoutMs);
    const std::uint32_t wanted = what == SocketReadiness::Readable ? EPOLLIN : EPOLLOUT;

    ++call_;
    listed_.clear();
    for (const UdpSocket* socket : sockets) {
        if (socket && socket->isOpen() && !watch(*socket, wanted)) {
            forgetUnlisted();
            return WaitForSockets(sockets, what, timeoutMs);
        }
    }
    forgetUnlisted();
    recordListing(sockets, wanted);

    // Room for a report of every socket watched, and at least one: waiting on nothing
    // open waits out the time, as poll() does.
    events_.resize(watched_.size() + 1);
    const WaitDeadline deadline(timeoutMs);
    for (;;) {
        const int timeout = deadline.remainingMs();
        const int count = ::epoll_wait(epoll_, events_.data(), static_cast<int>(events_.size()), timeout);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            sockets.clear();
            return count < 0 ? -1 : 0;
        }
        if (const int ready = keepReady(sockets, count, wanted); ready > 0)
            return ready;
        if (timeout == 0) {
            sockets.clear();
            return 0;
        }
    }
}

int SocketWaitSet::waitAgain(std::vector<UdpSocket*>& sockets, SocketReadiness what, int timeoutMs)
{
    if (sockets.empty() || !holdsList(what) || sockets != listed_)
        return wait(sockets, what, timeoutMs);
    const int ready = waitAgainAt(readyListings_, what, timeoutMs);
    sockets.clear();
    for (const std::size_t at : readyListings_)
        sockets.push_back(listed_[at]);
    return ready;
}

bool SocketWaitSet::holdsList(SocketReadiness what) const
{
    const std::uint32_t wanted = what == SocketReadiness::Readable ? EPOLLIN : EPOLLOUT;
    return !listed_.empty() && wanted == listedEvents_;
}

int SocketWaitSet::waitAgainAt(std::vector<std::size_t>& positions, SocketReadiness what,
                               int timeoutMs)
{
    positions.clear();
    if (!holdsList(what))
        return -1;
    const std::uint32_t wanted = listedEvents_;
    const WaitDeadline deadline(timeoutMs);
    for (;;) {
        const int timeout = deadline.remainingMs();
        const int count = ::epoll_wait(epoll_, events_.data(), static_cast<int>(events_.size()),
                                       timeout);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return count < 0 ? -1 : 0;
        for (int i = 0; i < count; ++i) {
            const epoll_event& event = events_[static_cast<std::size_t>(i)];
            const auto slot = static_cast<std::size_t>(ReportedDescriptor(event.data.u64));
            if (slot >= watches_.size() || (event.events & (wanted | EPOLLERR | EPOLLHUP)) == 0)
                continue;
            const Watch& watch = watches_[slot];
            if (watch.openId == 0 || !ReportedIdMatches(event.data.u64, watch.openId))
                continue;
            for (std::size_t at = watch.firstListing; at != NoListing; at = nextListing_[at])
                positions.push_back(at);
        }
        if (!positions.empty()) {
            std::sort(positions.begin(), positions.end());
            return static_cast<int>(positions.size());
        }
        if (timeout == 0)
            return 0;
    }
}

void SocketWaitSet::recordListing(const std::vector<UdpSocket*>& sockets, std::uint32_t events)
{
    listed_ = sockets;
    listedEvents_ = events;
    nextListing_.assign(sockets.size(), NoListing);
    for (const UdpSocket* socket : sockets)
        if (socket && socket->isOpen())
            watches_[static_cast<std::size_t>(socket->descriptor())].firstListing = NoListing;
    // From the back, so that each descriptor's chain runs front to back.
    for (std::size_t at = sockets.size(); at-- > 0;) {
        const UdpSocket* socket = sockets[at];
        if (!socket || !socket->isOpen())
            continue;
        Watch& watch = watches_[static_cast<std::size_t>(socket->descriptor())];
        nextListing_[at] = watch.firstListing;
        watch.firstListing = at;
    }
}

bool SocketWaitSet::watch(const UdpSocket& socket, std::uint32_t events)
{
    const int descriptor = socket.descriptor();
    const auto slot = static_cast<std::size_t>(descriptor);
    if (watches_.size() <= slot)
        watches_.resize(slot + 1);
    Watch& watch = watches_[slot];
    if (watch.openId == socket.openId() && watch.events == events) {
        watch.listedInCall = call_;
        return true;
    }
    // A new socket under a known descriptor is added: the one before it was closed, and
    // closing took its registration away.
    epoll_event event{};
    event.events = events;
    event.data.u64 = ReportData(descriptor, socket.openId());
    int operation = watch.openId == socket.openId() ? EPOLL_CTL_MOD : EPOLL_CTL_ADD;
    if (::epoll_ctl(epoll_, operation, descriptor, &event) != 0) {
        if (operation == EPOLL_CTL_ADD && errno == EEXIST)
            operation = EPOLL_CTL_MOD;
        else if (operation == EPOLL_CTL_MOD && errno == ENOENT)
            operation = EPOLL_CTL_ADD;
        else
            return false;
        if (::epoll_ctl(epoll_, operation, descriptor, &event) != 0)
            return false;
    }
    if (watch.openId == 0)
        watched_.push_back(descriptor);
    watch = Watch{socket.openId(), events, call_, 0};
    return true;
}

void SocketWaitSet::forgetUnlisted()
{
    for (std::size_t i = 0; i < watched_.size();) {
        const int descriptor = watched_[i];
        Watch& watch = watches_[static_cast<std::size_t>(descriptor)];
        if (watch.listedInCall == call_) {
            ++i;
            continue;
        }
        // Fails harmlessly for a socket closed meanwhile: closing removed it already.
        ::epoll_ctl(epoll_, EPOLL_CTL_DEL, descriptor, nullptr);
        watch = Watch{};
        watched_[i] = watched_.back();
        watched_.pop_back();
    }
}

int SocketWaitSet::keepReady(std::vector<UdpSocket*>& sockets, int eventCount, std::uint32_t wanted)
{
    for (int i = 0; i < eventCount; ++i) {
        const epoll_event& event = events_[static_cast<std::size_t>(i)];
        const auto slot = static_cast<std::size_t>(ReportedDescriptor(event.data.u64));
        if (slot >= watches_.size() || (event.events & (wanted | EPOLLERR | EPOLLHUP)) == 0)
            continue;
        Watch& watch = watches_[slot];
        if (watch.openId != 0 && ReportedIdMatches(event.data.u64, watch.openId))
            watch.readyInCall = call_;
    }
    std::size_t kept = 0;
    for (UdpSocket* socket : sockets) {
        if (!socket || !socket->isOpen())
            continue;
        // Every listed socket is watched under its descriptor by now.
        if (watches_[static_cast<std::size_t>(socket->descriptor())].readyInCall == call_)
            sockets[kept++] = socket;
    }
    if (kept > 0)
        sockets.resize(kept);
    return static_cast<int>(kept);
}

}  // namespace parlino::net
