// The calls a wave stream makes on a PCM device of the sound system (ALSA's snd_pcm_*), so
// that the stream can run over ALSA or over a stand-in that keeps a device's pace.
//
// Results are ALSA's: a count of frames, or a negative errno value (-EAGAIN: nothing can be
// moved now; -EPIPE: the device ran dry or over and must be recovered). The stream calls
// one device from one thread at a time.
#pragma once

#include <string>

namespace parlino {

class PcmDevice {
public:
    enum class State { Prepared, Running, Other };

    virtual ~PcmDevice() = default;

    virtual long readFrames(void* data, unsigned long frames) = 0;
    virtual long writeFrames(const void* data, unsigned long frames) = 0;
    // Waits at most `timeoutMs` until frames can be read or written.
    virtual void wait(int timeoutMs) = 0;
    // Playback: the frames written and not yet taken from the device's buffer (what plays
    // after them waits that long, besides the sound system's own latency beyond the
    // buffer). 0 or a negative errno value.
    virtual int queued(long& frames) = 0;
    // Gets the device going again after `error` (an overrun, underrun or suspension).
    virtual int recover(int error) = 0;
    virtual State state() = 0;
    virtual int prepare() = 0;
    virtual int start() = 0;
    // Stops at once, throwing away the frames not yet played or read.
    virtual int drop() = 0;
    virtual std::string errorText(int error) const = 0;
    // The step in which the device moves its frames.
    virtual unsigned long periodFrames() const = 0;
};

}  // namespace parlino
