#include "client/media/ZeltPlayerThread.h"

#include "platform/net/SocketWait.h"
#include "platform/thread/ReadWriteLock.h"

#include <chrono>
#include <vector>

namespace parlino {

void TZeltPlayerThread::Execute()
{
    while (!terminated())
        runGuardedPass([this] { pass(); });
}

void TZeltPlayerThread::pass()
{
    PlaybackBuffers& playback = voice_.playbackBuffers;
    WaitForFinishedBuffer(voice_.WaveOutEvent, playback.headers, WaveOutWaitMs, "WaveOut failed",
                          [this] { return terminated(); });
    if (terminated())
        return;
    const bool played0 = playback.headers[0].done();
    const bool played1 = playback.headers[1].done();
    awaitArrivedDatagram();
    {
        ReadLockGuard guard(voice_.shared.VoiceLock);
        RefillPlayedBuffers(voice_.jitter, playback.memory[0].data(), played0,
                            playback.memory[1].data(), played1);
    }
    if (!playback.device)
        return;
    if (played0)
        playback.device->write(playback.headers[0]);
    if (played1)
        playback.device->write(playback.headers[1]);
}

void TZeltPlayerThread::awaitArrivedDatagram()
{
    {
        ReadLockGuard guard(voice_.shared.VoiceLock);
        if (voice_.jitter.holdsPlaySeq())
            return;
    }
    // The socket first, then the receive thread's hands: the receive thread marks a datagram
    // before it takes it from the socket, so one of the two always shows it.
    net::UdpSocket& socket = voice_.shared.voiceHandles.VoiceReceiveHandle;
    const auto arrived = [this, &socket] {
        std::vector<net::UdpSocket*> list{&socket};
        return net::WaitForSockets(list, net::SocketReadiness::Readable, 0) == 1 ||
            voice_.datagramInHand.load();
    };
    // Bounded in real time, like the receive thread's own waits: a receive thread that is
    // held or has ended places nothing.
    std::unique_lock lock(voice_.placementMutex);
    voice_.placementDone.wait_for(lock, std::chrono::milliseconds(ArrivedDatagramWaitMs),
                                  [&] { return terminated() || !arrived(); });
}

}  // namespace parlino
