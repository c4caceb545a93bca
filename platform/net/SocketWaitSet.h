// Waiting on the same many UDP sockets over and over, at a cost that follows the number of
// ready sockets rather than the number watched.
//
// WaitForSockets() hands the system every socket on every call, and the system looks at
// every one of them; with hundreds of sockets a wait costs far more than what it finds.
// A SocketWaitSet keeps the sockets of its last call registered with the system (epoll)
// and changes only what differs from one call to the next, so a set serves one list that
// stays much the same: give each such list its own set. A set is used by one thread at a
// time.
#pragma once

#include "platform/net/SocketWait.h"

#include <sys/epoll.h>

#include <cstdint>
#include <vector>

namespace parlino::net {

class SocketWaitSet {
public:
    SocketWaitSet();
    ~SocketWaitSet();
    SocketWaitSet(const SocketWaitSet&) = delete;
    SocketWaitSet& operator=(const SocketWaitSet&) = delete;

    // The same as WaitForSockets(). Sockets in the list may have been closed or replaced
    // by new ones (with the same descriptor) since the last call. Where the system refuses
    // the registration it falls back to WaitForSockets() for the call.
    int wait(std::vector<UdpSocket*>& sockets, SocketReadiness what, int timeoutMs);
    // The same for the list of the last wait(), when the caller knows that none of its sockets
    // has been closed or made anew since: it spares the look at every socket, so that the
    // call costs what it finds. Any other list is waited on as wait() does.
    int waitAgain(std::vector<UdpSocket*>& sockets, SocketReadiness what, int timeoutMs);
    // Whether the last wait() registered its whole list for `what`, as waitAgainAt() needs.
    bool holdsList(SocketReadiness what) const;
    // waitAgain() for a caller who keeps the list: puts in `positions` where in the last
    // wait()'s list the ready sockets stand, in list order, so that neither the list nor
    // the answer has to be copied or compared. Only while holdsList(what).
    int waitAgainAt(std::vector<std::size_t>& positions, SocketReadiness what, int timeoutMs);

private:
    struct Watch {
        std::uint64_t openId = 0;  // of the socket registered under this descriptor; 0: none
        std::uint32_t events = 0;
        std::uint64_t listedInCall = 0;
        std::uint64_t readyInCall = 0;
        std::size_t firstListing = NoListing;  // in the last wait()'s list
    };
    static constexpr std::size_t NoListing = static_cast<std::size_t>(-1);

    // Registers the socket as wanting `events`, or changes its registration; false when
    // the system refused.
    bool watch(const UdpSocket& socket, std::uint32_t events);
    // Drops the registrations of the sockets this call did not list.
    void forgetUnlisted();
    // Keeps in `sockets` those the system reported ready; leaves the list as it was when
    // none of them was (the reports were all of sockets no longer watched).
    int keepReady(std::vector<UdpSocket*>& sockets, int eventCount, std::uint32_t wanted);
    // Notes where each socket of the list stands in it, for waitAgain().
    void recordListing(const std::vector<UdpSocket*>& sockets, std::uint32_t events);

    int epoll_ = -1;
    std::uint64_t call_ = 0;
    std::vector<Watch> watches_;      // by descriptor
    std::vector<int> watched_;        // the descriptors with a registration
    std::vector<epoll_event> events_;
    // The last wait()'s list, when all of it was registered, and for each position the next
    // one that holds a socket of the same descriptor (NoListing: none).
    std::vector<UdpSocket*> listed_;
    std::vector<std::size_t> nextListing_;
    std::uint32_t listedEvents_ = 0;
    std::vector<std::size_t> readyListings_;
};

}  // namespace parlino::net
