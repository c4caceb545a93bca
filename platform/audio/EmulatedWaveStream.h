// A wave stream without sound hardware, paced by a clock.
//
// Each buffer takes exactly as long as its sound lasts (960 mu-law bytes: 120 ms). Buffer
// k after a restart ends at restart time + the length of the k + 1 first buffers, computed
// from the byte count, so pacing neither runs ahead nor drifts however long it goes on.
// Capture takes its samples from a mu-law sound played in a loop (silence when there is
// none); playback hands what it played, as mu-law, to a WaveFileWriter (or to nothing).
// The device format must be mu-law compatible (WaveImage.h).
//
// Fault injection: with `stallAfter` >= 0 the stream finishes that many buffers and then
// never finishes another, as a device that stopped reporting finished buffers; only an
// interrupt (reset or close) ends such a transfer.
#pragma once

#include "platform/audio/WaveFileWriter.h"
#include "platform/audio/WaveFormat.h"
#include "platform/audio/WaveStream.h"
#include "platform/thread/Clock.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace parlino {

class EmulatedWaveStream : public WaveStream {
public:
    // Capture from `source` (mu-law, looped; empty: silence).
    static std::unique_ptr<EmulatedWaveStream> capture(Clock& clock, const WaveFormat& format,
                                                       std::vector<std::uint8_t> source,
                                                       int stallAfter = -1);
    // Playback into `sink` (null: the sound goes nowhere).
    static std::unique_ptr<EmulatedWaveStream> playback(Clock& clock, const WaveFormat& format,
                                                        std::unique_ptr<WaveFileWriter> sink,
                                                        int stallAfter = -1);

    std::size_t transfer(std::uint8_t* data, std::size_t count,
                         const std::atomic<bool>& interrupt) override;
    void restart() override;
    void wakeUp() override;

private:
    EmulatedWaveStream(Clock& clock, const WaveFormat& format, int stallAfter);
    Clock::Duration durationOf(std::uint64_t bytes) const;
    std::uint64_t bytesIn(Clock::Duration duration) const;
    void capturePart(std::uint8_t* data, std::size_t count);
    void playPart(const std::uint8_t* data, std::size_t count);

    Clock& clock_;
    const WaveFormat format_;
    const int stallAfter_;
    bool capture_ = false;
    std::vector<std::uint8_t> source_;
    std::size_t sourcePosition_ = 0;
    std::unique_ptr<WaveFileWriter> sink_;

    // Guards the timing below; transfer() waits on changed_ with it, wakeUp() notifies.
    std::mutex mutex_;
    std::condition_variable changed_;
    bool anchored_ = false;
    Clock::TimePoint base_{};
    std::uint64_t consumed_ = 0;  // bytes done since base_
    int finished_ = 0;            // buffers finished, for stallAfter_
};

}  // namespace parlino
