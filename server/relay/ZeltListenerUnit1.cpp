#include "server/relay/ZeltListenerUnit1.h"

#include "platform/core/MainThreadCalls.h"
#include "platform/net/SocketWait.h"

#include <numeric>

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
        routesStale_ = true;
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
    if (TalksChanged.load())
        SyncTalks();
    // Nothing to wait on (no talks, or no party with a receive socket): pause for one wait
    // instead of spinning.
    if (snapshot_->empty() || !relayCycle())
        sleepUnlessTerminated(RelayWaitMs);
}

bool TZeltUDPListenerThread::relayCycle()
{
    WriteLockGuard guard(TalkLock);
    const bool sameRoutes = !routesStale_ && routedTables_ == sockets_.changeCount();
    if (!sameRoutes)
        takeRoutes();
    if (routes_.empty())
        return false;

    // Unchanged sockets need no look at each of them: a wait then costs what it finds.
    int ready = 0;
    if (sameRoutes && waitSet_.holdsList(net::SocketReadiness::Readable)) {
        ready = waitSet_.waitAgainAt(readyRoutes_, net::SocketReadiness::Readable, RelayWaitMs);
    } else {
        ready_ = listed_;
        readyRoutes_.resize(routes_.size());
        std::iota(readyRoutes_.begin(), readyRoutes_.end(), std::size_t{0});
        ready = waitSet_.wait(ready_, net::SocketReadiness::Readable, RelayWaitMs);
        keepReadyRoutes(ready_);
    }
    for (int round = 0; ready > 0 && round < MaxReadRoundsPerPass && !terminated(); ++round) {
        ready_.clear();
        for (const std::size_t route : readyRoutes_) {
            forward(routes_[route]);
            ready_.push_back(routes_[route].from);
        }
        // Only what has already arrived on the sockets just served: waiting here for
        // their next datagrams (which clients send 120 ms apart, at staggered times) would
        // hold every other socket for up to another wait.
        ready = net::WaitForSockets(ready_, net::SocketReadiness::Readable, RelayFollowUpWaitMs);
        keepReadyRoutes(ready_);
    }
    return true;
}

void TZeltUDPListenerThread::takeRoutes()
{
    // The payers' sockets in talk order, then the peers': a socket of a party in two talks
    // is listed once for each, and each listing is read once per round.
    routes_.clear();
    for (const TTalkPair& pair : *snapshot_)
        if (TZeltIdSocketHandle* handle = sockets_.receiveHandle(pair.Payer))
            routes_.push_back({handle, pair.Peer});
    for (const TTalkPair& pair : *snapshot_)
        if (TZeltIdSocketHandle* handle = sockets_.receiveHandle(pair.Peer))
            routes_.push_back({handle, pair.Payer});
    listed_.clear();
    for (const Route& route : routes_)
        listed_.push_back(route.from);
    routesStale_ = false;
    routedTables_ = sockets_.changeCount();
}

void TZeltUDPListenerThread::keepReadyRoutes(const std::vector<net::UdpSocket*>& ready)
{
    // A wait keeps the ready sockets in the order they were listed, so one forward scan
    // pairs each with its listing.
    std::size_t kept = 0;
    std::size_t next = 0;
    for (const net::UdpSocket* socket : ready) {
        while (next < readyRoutes_.size() && routes_[readyRoutes_[next]].from != socket)
            ++next;
        if (next == readyRoutes_.size())
            break;
        readyRoutes_[kept++] = readyRoutes_[next++];
    }
    readyRoutes_.resize(kept);
}

void TZeltUDPListenerThread::forward(const Route& route)
{
    TZeltIdSocketHandle& from = *route.from;
    char datagram[RelayReceiveLength];
    net::Ipv4Address source = 0;
    const std::int64_t received = from.receiveFrom(datagram, sizeof datagram, source);
    if (received <= 0 || source != from.senderAddress)
        return;
    appendVoiceDatagram(from.receiveBuffer,
                        std::string_view(datagram, static_cast<std::size_t>(received)));
    // A whole packet leaves as it came: decoding and packing it again gives the same bytes.
    // (Two captures: a handler that small is kept without a heap block for each datagram.)
    const auto send = [this, &route](std::string_view packet, std::int32_t sequence) {
        route.from->activityFlag = 1;
        TZeltIdSocketHandle* out = sockets_.sendHandle(route.toClientId, SendSocketIndex(sequence));
        if (!out)
            return;
        // Almost always the socket has room: waiting for writability before every send
        // cost more than the rest of the relay together. Only a full socket is waited for.
        if (out->sendWithoutWaiting(packet) != 0)
            return;  // taken, or failed (a failed send is not our business)
        std::vector<net::UdpSocket*> writeList{out};
        if (net::WaitForSockets(writeList, net::SocketReadiness::Writable, RelayWaitMs) == 1)
            out->send(packet);
    };
    drainVoicePacketBytes(from.receiveBuffer, send);
}

}  // namespace parlino
