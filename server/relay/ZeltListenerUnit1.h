// The voice relay thread: forwards the voice datagrams of every talk between its parties.
//
// Each cycle holds TalkLock for writing and waits once, 30 ms at most, for any receive
// socket of both parties of every talk to become readable; it forwards one datagram from
// each socket that is and goes on with those of them which have more waiting already, until
// none has or it has read MaxReadRoundsPerPass times: a peer that floods its voice port
// cannot keep the lock. Then it lets the lock go, so that a sign-in or the billing tick waits
// for one cycle at most, and starts the next at once. A datagram thus leaves within about the
// time it takes to forward what arrived with it, whatever its direction: a transit that
// swung with where the datagram fell in a longer cycle would, when arrivals straddle the
// listener's playback refill, have packets played twice and others skipped. Cycles so come
// as often as datagrams do, and one must cost what it finds: the receive sockets stay
// registered with the system (a SocketWaitSet), the list of them is made anew only when the
// talks or the socket tables have changed, and the wait answers with the places of the
// ready sockets in that list, so that with hundreds of talks a cycle needs no look at every
// socket. Per datagram what is left is the system's own work: the read and the send.
// When no party of any talk has a receive socket there is nothing to wait on, and the
// cycle sleeps 30 ms instead of spinning.
// A receive socket takes datagrams from its subscriber's signed-in address only; others
// are read and dropped. A datagram's bytes join the socket's receive buffer; every whole
// packet in it sets the socket's activity flag and leaves through the other party's send
// socket number |Sequence| mod 8, if that socket becomes writable within 30 ms (else it is
// dropped).
//
// The thread works on its own copy of the talks. When the owner marks the talks changed
// (talksChanged), the next cycle takes the owner's published talks (SyncTalks) before it
// takes the lock, without waiting for the main thread: the charges of the billing tick
// keep the main thread busy for long, and voice must not wait for them.
#pragma once

#include "common/MessageFraming.h"
#include "platform/net/SocketWaitSet.h"
#include "platform/thread/ReadWriteLock.h"
#include "platform/thread/WorkerThread.h"
#include "server/relay/TalkPair.h"
#include "server/relay/VoiceSocketTables.h"

#include <atomic>
#include <memory>
#include <vector>

namespace parlino {

inline constexpr int RelayWaitMs = SamplesPerPacket >> 5;  // 30 ms
inline constexpr int RelayFollowUpWaitMs = 0;
inline constexpr int MaxReadRoundsPerPass = 8;
inline constexpr std::size_t RelayReceiveLength = 8192;

// The send socket that carries a packet: |Sequence| mod VoiceSocketCount.
int SendSocketIndex(std::int32_t sequence);

class TZeltUDPListenerThread : public WorkerThread {
public:
    // All four outlive the thread. Create it on the main thread, then resume() it.
    TZeltUDPListenerThread(VoiceSocketTables& sockets, ReadWriteLock& talkLock,
                           std::atomic<bool>& talksChanged, const TalkPairSource& talks);
    ~TZeltUDPListenerThread() override;

    // Relay thread, at the start of a cycle that found talksChanged set: clears it and
    // copies the owner's talks (a failed copy leaves it set, so the next cycle tries again).
    void SyncTalks();
    // Main thread, once the loop has ended: frees the copy of the talks.
    void ThreadTerminate();

protected:
    void Execute() override;

private:
    // A receive socket of a talk's party, and the other party, whose voice it carries.
    struct Route {
        TZeltIdSocketHandle* from = nullptr;
        std::int32_t toClientId = 0;
    };

    void runCycle();
    // Forwarding under TalkLock; false when there was no receive socket to wait on.
    bool relayCycle();
    void takeRoutes();
    // After a wait has cut `ready` down to the sockets still ready, keeps in readyRoutes_
    // the routes of those that stayed.
    void keepReadyRoutes(const std::vector<net::UdpSocket*>& ready);
    void forward(const Route& route);

    VoiceSocketTables& sockets_;
    ReadWriteLock& TalkLock;
    std::atomic<bool>& TalksChanged;
    const TalkPairSource& talks_;
    std::unique_ptr<std::vector<TTalkPair>> snapshot_;
    net::SocketWaitSet waitSet_;
    // The routes of the snapshot and the receive sockets they start at, in the same order;
    // taken anew after SyncTalks or when the socket tables have changed since.
    std::vector<Route> routes_;
    std::vector<net::UdpSocket*> listed_;
    bool routesStale_ = true;
    std::uint64_t routedTables_ = 0;
    std::vector<net::UdpSocket*> ready_;
    std::vector<std::size_t> readyRoutes_;
};

}  // namespace parlino
