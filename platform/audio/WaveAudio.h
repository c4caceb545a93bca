// The program's sound system: opens wave devices on the chosen backend and owns the sound
// player. One object per softphone (two can live in one process, each with its own choice).
//
// The devices are named as AudioDeviceChoice.h describes, normally by the PARLINO_AUDIO
// environment variable. Opening a talk's playback device first stops the sound player, so
// that a tone still sounding never keeps the device busy.
#pragma once

#include "platform/audio/AudioDeviceChoice.h"
#include "platform/audio/WaveDevice.h"
#include "platform/thread/AutoResetEvent.h"
#include "platform/thread/Clock.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace parlino {

class PcmDevice;
class SoundPlayer;

// Faults of the emulated devices, for tests: a device finishes that many buffers, then never
// another (negative: never stalls).
struct EmulatedFaults {
    int captureStallAfter = -1;
    int playbackStallAfter = -1;
};

class WaveAudio {
public:
    // `deviceChoice` as PARLINO_AUDIO names devices; nullopt reads the variable. The emulated
    // devices are paced by `clock`.
    explicit WaveAudio(std::optional<std::string> deviceChoice = std::nullopt,
                       Clock& clock = MonotonicClock());
    ~WaveAudio();
    WaveAudio(const WaveAudio&) = delete;
    WaveAudio& operator=(const WaveAudio&) = delete;

    // A device for `format` that sets `event`; null when it cannot be opened, with a message
    // naming the device in `error`.
    std::unique_ptr<WaveInDevice> openWaveIn(const WaveFormat& format, AutoResetEvent& event,
                                             std::string& error);
    std::unique_ptr<WaveOutDevice> openWaveOut(const WaveFormat& format, AutoResetEvent& event,
                                               std::string& error);
    // The sound player's own playback device (the emulated one records into the tones file).
    std::unique_ptr<WaveOutDevice> openToneOut(const WaveFormat& format, AutoResetEvent& event,
                                               std::string& error);

    SoundPlayer& soundPlayer() { return *player_; }
    Clock& clock() { return clock_; }
    const AudioDeviceChoice& choice() const { return choice_; }

    void setFaults(const EmulatedFaults& faults);

    // Opens the PCM device of an "alsa:" choice in ALSA's place: a stand-in for benchmarks,
    // which drives the ALSA streams' timing without sound hardware. Null: no such device.
    using PcmOpener =
        std::function<std::unique_ptr<PcmDevice>(const std::string& name, bool capture)>;
    void setPcmOpener(PcmOpener opener);

private:
    enum class Role { Capture, Playback, Tones };
    std::unique_ptr<WaveStream> openStream(Role role, const WaveFormat& format,
                                           std::string& deviceName, std::string& error);
    std::unique_ptr<WaveStream> openEmulated(Role role, const WaveFormat& format,
                                             std::string& deviceName, std::string& error);

    Clock& clock_;
    AudioDeviceChoice choice_;
    std::string choiceError_;  // set when the choice named no device: every open fails with it
    // Guards faults_ and fellBack_; held only while opening a stream.
    std::mutex mutex_;
    EmulatedFaults faults_;
    bool fellBack_ = false;  // the automatic choice has said once that it uses "null"
    PcmOpener pcmOpener_;
    std::unique_ptr<SoundPlayer> player_;
};

}  // namespace parlino
