#include "client/media/ZeltPlayerThread.h"

#include "platform/thread/ReadWriteLock.h"

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

}  // namespace parlino
