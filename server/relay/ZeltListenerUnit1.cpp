#include "server/relay/ZeltListenerUnit1.h"

#include "platform/core/MainThreadCalls.h"
#include "platform/net/SocketWait.h"

#include <chrono>

namespace parlino {

int SendSocketIndex(std::int32_t sequence)
{
    // C++ keeps the sign of the dividend, so |s mod n| = |s| mod n, also for INT32_MIN.
    const int index = sequence % VoiceSocketCount;
    return index < 0 ? -index : index;
}

TZeltUDPListenerThread::TZeltUDPListenerThread(VoiceSocketTables& sockets, ReadWriteLock& talkLock,
                                               std::atomic<bool>& talksChanged,
                                               const TalkPairSource& talks)
    : sockets_(sockets), TalkLock(talkLock), TalksChanged(talksChanged), talks_(talks)
{
}

TZeltUDPListenerThread::~TZeltUDPListenerThread()
{
    terminateAndWait();
}

void TZeltUDPListenerThread::SyncTalks()
{
    // Cleared before the copy is taken: a change published meanwhile sets it again.
    TalksChanged = false;
    try {
        snapshot_ = std::make_unique<std::vector<TTalkPair>>(talks_.currentTalkPairs());
    } catch (...) {
        TalksChanged = true;
        throw;
    }
    MainThreadCalls::Wake();  // for a main thread that waits for the talks to be taken
}

void TZeltUDPListenerThread::ThreadTerminate()
{
    snapshot_.reset();
}

void TZeltUDPListenerThread::Execute()
{
    snapshot_ = std::make_unique<std::vector<TTalkPair>>();
    setOnTerminate([this] { ThreadTerminate(); });
    while (!terminated())
        runGuardedPass([this] { runCycle(); });
}

void TZeltUDPListenerThread::runCycle()
{
    const auto cycleStart = std::chrono::steady_clock::now();
    if (TalksChanged.load())
        SyncTalks();
    bool waited = false;
    if (!snapshot_->empty()) {
        waited = relayPass(Direction::PayersToPeers);
        waited = relayPass(Direction::PeersToPayers) || waited;
    }
    // Nothing to wait on (no talks, or no party with a receive socket): pause for one wait
    // instead of spinning.
    if (!waited) {
        sleepUnlessTerminated(RelayWaitMs);
        return;
    }
    // A cycle that found datagrams at once would start the next at once, and each wait and
    // wake-up has its cost however little it finds. Paced, a wait finds many sockets ready
    // at a time.
    const auto busy = std::chrono::steady_clock::now() - cycleStart;
    if (busy < std::chrono::milliseconds(RelayMinCycleMs))
        sleepUnlessTerminated(static_cast<int>(
            RelayMinCycleMs - std::chrono::duration_cast<std::chrono::milliseconds>(busy).count()));
}

bool TZeltUDPListenerThread::relayPass(Direction direction)
{
    const std::vector<TTalkPair>& pairs = *snapshot_;
    const auto source = [direction](const TTalkPair& pair) {
        return direction == Direction::PayersToPeers ? pair.Payer : pair.Peer;
    };
    const auto target = [direction](const TTalkPair& pair) {
        return direction == Direction::PayersToPeers ? pair.Peer : pair.Payer;
    };

    WriteLockGuard guard(TalkLock);
    std::vector<net::UdpSocket*> readList;
    readList.reserve(pairs.size());
    for (const TTalkPair& pair : pairs)
        if (TZeltIdSocketHandle* handle = sockets_.receiveHandle(source(pair)))
            readList.push_back(handle);
    if (readList.empty())
        return false;

    net::SocketWaitSet& waitSet = direction == Direction::PayersToPeers ? payersWait_ : peersWait_;
    int ready = waitSet.wait(readList, net::SocketReadiness::Readable, RelayWaitMs);
    for (int round = 0; ready > 0 && round < MaxReadRoundsPerPass && !terminated(); ++round) {
        // The ready list keeps the order of the pairs, so one forward scan finds them all.
        std::size_t position = 0;
        for (net::UdpSocket* socket : readList) {
            std::size_t match = position;
            while (match < pairs.size() && sockets_.receiveHandle(source(pairs[match])) != socket)
                ++match;
            if (match == pairs.size())
                continue;
            position = match;
            forward(*static_cast<TZeltIdSocketHandle*>(socket), target(pairs[match]));
        }
        // Only what has already arrived on the sockets just served: waiting here for
        // their next datagrams (which clients send 120 ms apart, at staggered times) would
        // hold every other socket of both directions for up to two more waits a pass.
        ready = net::WaitForSockets(readList, net::SocketReadiness::Readable, RelayFollowUpWaitMs);
    }
    return true;
}

void TZeltUDPListenerThread::forward(TZeltIdSocketHandle& from, std::int32_t toClientId)
{
    char datagram[RelayReceiveLength];
    const std::int64_t received = from.receiveFrom(datagram, sizeof datagram);
    if (received <= 0)
        return;
    from.receiveBuffer.append(datagram, static_cast<std::size_t>(received));
    // A whole packet leaves as it came: decoding and packing it again gives the same bytes.
    drainVoicePacketBytes(from.receiveBuffer, [&](std::string_view packet, std::int32_t sequence) {
        from.activityFlag = 1;
        TZeltIdSocketHandle* out = sockets_.sendHandle(toClientId, SendSocketIndex(sequence));
        if (!out)
            return;
        // Almost always the socket has room: waiting for writability before every send
        // cost more than the rest of the relay together. Only a full socket is waited for.
        if (out->sendWithoutWaiting(packet) != 0)
            return;  // taken, or failed (a failed send is not our business)
        std::vector<net::UdpSocket*> writeList{out};
        if (net::WaitForSockets(writeList, net::SocketReadiness::Writable, RelayWaitMs) == 1)
            out->send(packet);
    });
}

}  // namespace parlino
