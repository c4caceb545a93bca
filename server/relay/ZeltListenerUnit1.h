// The voice relay thread: forwards the voice datagrams of every talk between its parties.
//
// Each cycle holds TalkLock for writing over two passes: payers' receive sockets to the
// peers' send sockets, then the peers' to the payers'. A pass waits 30 ms for any of its
// receive sockets to become readable, forwards what arrived and goes on with those of the
// sockets that delivered which have more waiting already, until none has. A cycle without
// traffic so takes two 30 ms waits, and a datagram waits at most about one cycle. A datagram's bytes join the socket's receive
// buffer; every whole packet in it sets the socket's activity flag and leaves through the
// other party's send socket number |Sequence| mod 8, if that socket becomes writable
// within 30 ms (else the packet is dropped).
//
// The thread works on its own copy of the talks. When the owner marks the talks changed
// (talksChanged), the next cycle has the main thread rebuild the copy through SyncTalks,
// before it takes the lock: the thread never calls into the main thread while holding it.
#pragma once

#include "common/MessageFraming.h"
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
inline constexpr std::size_t RelayReceiveLength = 8192;

// The send socket that carries a packet: |Sequence| mod VoiceSocketCount.
int SendSocketIndex(std::int32_t sequence);

class TZeltUDPListenerThread : public WorkerThread {
public:
    // All four outlive the thread. Create it on the main thread, then resume() it.
    TZeltUDPListenerThread(VoiceSocketTables& sockets, ReadWriteLock& talkLock,
                           std::atomic<bool>& talksChanged, const TalkPairSource& talks);
    ~TZeltUDPListenerThread() override;

    // Main thread, through a synchronous call: copies the talks and clears talksChanged.
    void SyncTalks();
    // Main thread, once the loop has ended: frees the copy of the talks.
    void ThreadTerminate();

protected:
    void Execute() override;

private:
    enum class Direction { PayersToPeers, PeersToPayers };

    void runCycle();
    void relayPass(Direction direction);
    void forward(TZeltIdSocketHandle& from, std::int32_t toClientId);

    VoiceSocketTables& sockets_;
    ReadWriteLock& TalkLock;
    std::atomic<bool>& TalksChanged;
    const TalkPairSource& talks_;
    std::unique_ptr<std::vector<TTalkPair>> snapshot_;
};

}  // namespace parlino
