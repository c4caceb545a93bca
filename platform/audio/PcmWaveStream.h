// A wave stream on a PCM device (PcmDevice.h): ALSA's, or a stand-in.
//
// Mu-law goes to the device as it is where the device takes it; otherwise the stream speaks
// 16-bit linear to the device and converts each buffer. Overruns and underruns are recovered
// from and the transfer goes on. Playback reports a buffer finished once it has left the
// device's buffer but for the last period, which stays queued so that the device never runs
// dry before the next buffer follows. A stopped device is first given one period of silence,
// so that this period is made up from the start rather than taken from the buffers' time:
// a buffer finishes as long after the start as on a wave device that plays buffers alone,
// and the device's own buffer adds one period to the delay of the sound.
#pragma once

#include "platform/audio/PcmDevice.h"
#include "platform/audio/WaveFormat.h"
#include "platform/audio/WaveStream.h"

#include <memory>
#include <string>

namespace parlino {

class PcmWaveStream : public WaveStream {
public:
    // `deviceName` names the device in messages; `convertMuLaw`: the device takes 16-bit
    // linear sound for the mu-law `format`.
    PcmWaveStream(std::unique_ptr<PcmDevice> pcm, std::string deviceName, bool capture,
                  const WaveFormat& format, bool convertMuLaw);

    std::size_t transfer(std::uint8_t* data, std::size_t count,
                         const std::atomic<bool>& interrupt) override;
    void restart() override;
    void drop() override;
    void wakeUp() override {}

private:
    WaveFormat linearFormat() const;
    void leadWithSilence(std::size_t deviceFrameBytes);
    void waitUntilHeard(const std::atomic<bool>& interrupt);
    bool recover(int error);
    void report(const char* what, int result);

    std::unique_ptr<PcmDevice> pcm_;
    const std::string deviceName_;
    const bool capture_;
    const WaveFormat format_;
    const bool convertMuLaw_;
};

}  // namespace parlino
