// The voice relay thread: forwards the voice datagrams of every talk between its parties.
//
// Each cycle makes two passes: payers' receive sockets to the peers' send sockets, then
// the peers' to the payers'. Each pass holds TalkLock for writing, and lets it go before
// the next, so that a sign-in or the billing tick waits for one pass at most. A pass
// waits 30 ms for any of its receive sockets to become readable, forwards what arrived
// and goes on with those of the sockets that delivered which have more waiting already,
// until none has or it has read MaxReadRoundsPerPass times: a peer that floods its voice
// port cannot keep the lock. Each direction keeps its receive sockets registered with the
// system from pass to pass (a SocketWaitSet), so that with hundreds of talks a wait costs
// what it finds rather than a look at every socket. A cycle without traffic so takes two
// 30 ms waits, and a datagram waits at most about one cycle. When no party of any talk has
// a receive socket there is nothing to wait on, and the cycle sleeps 30 ms instead of
// spinning; a cycle that was done in less than RelayMinCycleMs sleeps the rest, so that
// under load each wait finds many sockets ready.
// A datagram's bytes join the socket's receive buffer; every whole packet in it sets the
// socket's activity flag and leaves through the other party's send socket number
// |Sequence| mod 8, if that socket becomes writable within 30 ms (else it is dropped).
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
// The shortest cycle: a quicker one sleeps the rest (without the lock) before the next.
inline constexpr int RelayMinCycleMs = 20;
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
    enum class Direction { PayersToPeers, PeersToPayers };

    void runCycle();
    // One pass under TalkLock; false when there was no receive socket to wait on.
    bool relayPass(Direction direction);
    void forward(TZeltIdSocketHandle& from, std::int32_t toClientId);

    VoiceSocketTables& sockets_;
    ReadWriteLock& TalkLock;
    std::atomic<bool>& TalksChanged;
    const TalkPairSource& talks_;
    std::unique_ptr<std::vector<TTalkPair>> snapshot_;
    // One per direction: each keeps its receive sockets registered from pass to pass.
    net::SocketWaitSet payersWait_;
    net::SocketWaitSet peersWait_;
};

}  // namespace parlino
