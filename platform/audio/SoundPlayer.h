// Plays a WAVE sound held in memory, once and in the background.
//
// A new play() replaces the sound playing; play() of nothing, or stop(), silences it. The
// sound goes to WaveAudio's tone device. What was played and when is kept in a short
// history that tests read. Safe from any thread.
#pragma once

#include "platform/audio/WaveDevice.h"
#include "platform/thread/AutoResetEvent.h"
#include "platform/thread/Clock.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace parlino {

class WaveAudio;

struct SoundPlayerEvent {
    enum class Kind {
        Started,   // a sound began; dataBytes is its length
        Finished,  // it played to its end (noticed at the next call of the player)
        Stopped,   // it was cut off by a new play() or stop()
        Failed,    // play() could not play it; error says why
    };
    Kind kind;
    Clock::TimePoint time;  // on WaveAudio's clock
    std::size_t dataBytes = 0;
    std::string error;
};

class SoundPlayer {
public:
    static constexpr std::size_t HistoryLength = 64;

    explicit SoundPlayer(WaveAudio& audio);
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Plays the WAVE sound in `image` (copied). An empty image only stops what is playing.
    // Returns false, playing nothing and writing why to standard error, when the image is
    // not a sound the device can play.
    bool play(std::span<const std::uint8_t> image);
    void stop();
    bool isPlaying();

    // The latest events, oldest first.
    std::vector<SoundPlayerEvent> history() const;

private:
    // Under mutex_: closes a device whose sound has ended or is to be cut off.
    void stopLocked();
    void record(SoundPlayerEvent::Kind kind, std::size_t dataBytes, std::string error = {});

    WaveAudio& audio_;
    AutoResetEvent event_;
    // Guards everything below. Held while a device opens or closes, which takes at most one
    // buffer's time; never taken by the device's thread.
    mutable std::mutex mutex_;
    std::unique_ptr<WaveOutDevice> device_;
    std::vector<std::uint8_t> data_;
    WaveHeader header_;
    std::deque<SoundPlayerEvent> history_;
};

}  // namespace parlino
