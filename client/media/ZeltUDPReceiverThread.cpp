#include "client/media/ZeltUDPReceiverThread.h"

#include "common/MessageFraming.h"
#include "platform/core/PerformanceCounter.h"
#include "platform/net/SocketWait.h"
#include "platform/thread/ReadWriteLock.h"

namespace parlino {

namespace {

// Marks a datagram in the receive thread's hands, from before it leaves the socket until
// it is placed (or found to be no voice), also when a step between raises.
class DatagramInHand {
public:
    explicit DatagramInHand(VoiceState& voice) : voice_(voice) { voice_.datagramInHand = true; }
    ~DatagramInHand()
    {
        {
            std::lock_guard lock(voice_.placementMutex);
            voice_.datagramInHand = false;
        }
        voice_.placementDone.notify_all();
    }
    DatagramInHand(const DatagramInHand&) = delete;
    DatagramInHand& operator=(const DatagramInHand&) = delete;

private:
    VoiceState& voice_;
};

}  // namespace

void TZeltUDPReceiverThread::Execute()
{
    lastReceive_ = QueryCounter();
    receiveBuffer_.assign(ReceiveBufferSize, 0);
    pending_.clear();
    synchronised_ = false;
    while (!terminated())
        runGuardedPass([this] { pass(); });
}

void TZeltUDPReceiverThread::pass()
{
    net::UdpSocket& socket = voice_.shared.voiceHandles.VoiceReceiveHandle;
    std::vector<net::UdpSocket*> list{&socket};
    int ready = net::WaitForSockets(list, net::SocketReadiness::Readable, ReceiveFirstWaitMs);
    while (ready == 1 && !terminated()) {
        receiveOne();
        list.assign(1, &socket);
        ready = net::WaitForSockets(list, net::SocketReadiness::Readable, ReceiveNextWaitMs);
    }
}

void TZeltUDPReceiverThread::receiveOne()
{
    const DatagramInHand inHand(voice_);
    const std::int64_t now = QueryCounter();
    voice_.noteInterval(voice_.RecvRate, lastReceive_, now);
    const double callNow = voice_.callSeconds(now);

    // A failed receive ends the pass.
    net::Endpoint from;
    const std::int64_t count = voice_.shared.voiceHandles.VoiceReceiveHandle.receiveFrom(
        receiveBuffer_.data(), receiveBuffer_.size(), &from);
    if (count <= 0)
        return;
    // Voice reaches us only through the server's relay: whatever another host sends to the
    // port could replace the talk's sound.
    if (from.address != voice_.serverAddress)
        return;
    appendVoiceDatagram(pending_,
                        std::string_view(receiveBuffer_.data(), static_cast<std::size_t>(count)));
    DrainVoicePackets(pending_, [this, callNow](VoicePacket&& packet) {
        const MessageValues values{packet.Sequence, std::move(packet.Samples), packet.SendTime};
        WriteLockGuard guard(voice_.shared.VoiceLock);
        voice_.jitter.ReceivedSeq = packet.Sequence;
        PlaceDatagram(voice_.jitter, synchronised_, values, callNow);
    });
}

}  // namespace parlino
