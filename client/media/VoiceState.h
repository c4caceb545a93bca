// What the softphone's three voice threads share during a talk, held by the voice session
// (one per softphone) and handed to each thread by reference.
//
// Ownership of the parts: the main thread opens and closes the devices and resets the store
// outside the threads' lifetime; during a talk the send thread owns the capture buffers,
// the playback thread the playback buffers, and the jitter store is guarded by VoiceLock
// (JitterStore.h).
#pragma once

#include "client/ClientShared.h"
#include "client/media/JitterStore.h"
#include "platform/audio/WaveDevice.h"
#include "platform/thread/AutoResetEvent.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace parlino {

// A wave device with its two buffers of one packet each. The memory and the headers live as
// long as the session, so they outlive every device opened on them.
template <typename Device>
struct WaveBuffers {
    std::unique_ptr<Device> device;
    std::array<std::array<std::uint8_t, SamplesPerPacket>, 2> memory{};
    std::array<WaveHeader, 2> headers;
};
using CaptureBuffers = WaveBuffers<WaveInDevice>;
using PlaybackBuffers = WaveBuffers<WaveOutDevice>;

struct VoiceState {
    VoiceState(ClientShared& clientShared, Clock& clock)
        : shared(clientShared), HalfDuplex(clientShared.callState.HalfDuplex),
          TalkPressed(clientShared.callState.TalkPressed),
          CallTimeBase(clientShared.callState.CallTimeBase), WaveInEvent(clock), WaveOutEvent(clock)
    {
    }

    // Counter frequency, voice sockets and VoiceLock.
    ClientShared& shared;

    // The talk's flags and clock base, kept by the call state: call control sets them before
    // the threads start (TalkPressed also while the talk button changes); the threads read
    // them without a lock.
    std::atomic<bool>& HalfDuplex;
    std::atomic<bool>& TalkPressed;
    std::atomic<std::int64_t>& CallTimeBase;

    // The address of the server the softphone signed in to, the only source of voice. Set
    // by StartVoice before the threads start; read by the receive thread.
    std::string serverAddress;

    AutoResetEvent WaveInEvent;
    AutoResetEvent WaveOutEvent;
    CaptureBuffers captureBuffers;
    PlaybackBuffers playbackBuffers;

    // Guarded by shared.VoiceLock.
    JitterStore jitter;

    // Set by the receive thread from before it takes a datagram from the socket until the
    // datagram is placed, and cleared under placementMutex; placementDone then wakes a
    // playback thread waiting for it (ZeltPlayerThread.cpp).
    std::atomic<bool> datagramInHand{false};
    std::mutex placementMutex;
    std::condition_variable placementDone;

    // Written by the send thread only.
    std::atomic<std::int32_t> SendSeq{0};
    // Written by one thread each, shown by the main thread.
    std::atomic<std::int32_t> SendRate{0};
    std::atomic<std::int32_t> RecvRate{0};
    std::atomic<std::int32_t> MicLevel{0};

    double callSeconds(std::int64_t counterNow) const;
    // Sets `rate` to the datagrams per second since `lastStamp` (when the counter can tell)
    // and moves `lastStamp` to `now`.
    void noteInterval(std::atomic<std::int32_t>& rate, std::int64_t& lastStamp,
                      std::int64_t now) const;
};

// Waits on `event` until one of `headers` is done, each wait at most `timeoutMs` on the
// event's clock; a wait that runs out raises `failText`. Returns early, with no buffer
// done, once `stopRequested()` holds: whoever asks the thread to stop sets the event, so
// that a device that has stopped finishing buffers cannot hold up the end of a talk.
void WaitForFinishedBuffer(AutoResetEvent& event, const std::array<WaveHeader, 2>& headers,
                           int timeoutMs, const char* failText,
                           const std::function<bool()>& stopRequested);

}  // namespace parlino
