// A stand-in for an ALSA PCM device of mu-law mono sound, for the benchmarks: it plays (or
// records) frames at a sound card's pace on the steady clock, from the first frame written
// (or from start()), and holds at most `bufferFrames` frames, as ALSA's ring buffer does.
// Playback that runs dry, or capture that is not read in time, stops the device until it is
// recovered, as ALSA does. What it plays goes to a WAVE file; it records silence.
#pragma once

#include "platform/audio/PcmDevice.h"
#include "platform/audio/WaveFileWriter.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace parlino::bench {

class PacedPcm : public PcmDevice {
public:
    // `underruns` counts the times playback ran dry (or capture over).
    PacedPcm(bool capture, unsigned rate, unsigned long bufferFrames, unsigned long periodFrames,
             std::unique_ptr<WaveFileWriter> sink, std::atomic<int>& underruns)
        : capture_(capture), rate_(rate), bufferFrames_(bufferFrames), periodFrames_(periodFrames),
          sink_(std::move(sink)), underruns_(underruns)
    {
    }

    long readFrames(void* data, unsigned long frames) override
    {
        std::lock_guard lock(mutex_);
        advance();
        if (xrun_)
            return -EPIPE;
        const auto n = static_cast<unsigned long>(std::min<std::uint64_t>(frames, moved_ - read_));
        if (state_ != State::Running || n == 0)
            return -EAGAIN;
        std::memset(data, 0xFF, n);  // mu-law silence
        read_ += n;
        return static_cast<long>(n);
    }

    long writeFrames(const void* data, unsigned long frames) override
    {
        std::lock_guard lock(mutex_);
        advance();
        if (xrun_)
            return -EPIPE;
        if (state_ == State::Prepared)
            startLocked();
        const std::uint64_t room = bufferFrames_ - (written_ - moved_);
        const auto n = static_cast<unsigned long>(std::min<std::uint64_t>(frames, room));
        if (n == 0)
            return -EAGAIN;
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        queue_.insert(queue_.end(), bytes, bytes + n);
        written_ += n;
        return static_cast<long>(n);
    }

    void wait(int timeoutMs) override
    {
        std::uint64_t missing = 0;  // frames until a period can be moved
        {
            std::lock_guard lock(mutex_);
            advance();
            if (state_ == State::Running && !xrun_) {
                const std::uint64_t ready = capture_ ? moved_ - read_
                                                     : bufferFrames_ - (written_ - moved_);
                missing = ready < periodFrames_ ? periodFrames_ - ready : 0;
            }
        }
        const auto due = std::chrono::microseconds(missing * 1000000 / rate_);
        std::this_thread::sleep_for(
            std::min<std::chrono::microseconds>(due, std::chrono::milliseconds(timeoutMs)));
    }

    int queued(long& frames) override
    {
        std::lock_guard lock(mutex_);
        advance();
        if (xrun_)
            return -EPIPE;
        frames = static_cast<long>(capture_ ? moved_ - read_ : written_ - moved_);
        return 0;
    }

    int recover(int error) override { return error == -EPIPE ? prepare() : error; }

    State state() override
    {
        std::lock_guard lock(mutex_);
        advance();
        return xrun_ ? State::Other : state_;
    }

    int prepare() override
    {
        std::lock_guard lock(mutex_);
        advance();
        reset(State::Prepared);
        return 0;
    }

    int start() override
    {
        std::lock_guard lock(mutex_);
        startLocked();
        return 0;
    }

    int drop() override
    {
        std::lock_guard lock(mutex_);
        advance();
        reset(State::Other);
        return 0;
    }

    std::string errorText(int error) const override { return std::strerror(-error); }
    unsigned long periodFrames() const override { return periodFrames_; }

private:
    using Steady = std::chrono::steady_clock;

    void startLocked()
    {
        state_ = State::Running;
        xrun_ = false;
        start_ = Steady::now();
        moved_ = written_ = read_ = 0;
    }

    void reset(State state)
    {
        state_ = state;
        xrun_ = false;
        queue_.clear();
        moved_ = written_ = read_ = 0;
    }

    // Under mutex_: moves the device on to now, playing what is due.
    void advance()
    {
        if (state_ != State::Running || xrun_)
            return;
        const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now() -
                                                                                  start_);
        const auto due = static_cast<std::uint64_t>(elapsed.count()) * rate_ / 1000000000u;
        if (capture_) {
            moved_ = due;
            if (moved_ - read_ > bufferFrames_) {
                xrun_ = true;
                ++underruns_;
            }
            return;
        }
        const std::uint64_t played = std::min(due, written_) - moved_;
        if (played > 0) {
            const std::vector<std::uint8_t> bytes(
                queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(played));
            queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(played));
            if (sink_)
                sink_->append(bytes);
            moved_ += played;
        }
        if (due > written_) {
            xrun_ = true;
            ++underruns_;
        }
    }

    const bool capture_;
    const unsigned rate_;
    const std::uint64_t bufferFrames_;
    const std::uint64_t periodFrames_;
    const std::unique_ptr<WaveFileWriter> sink_;
    std::atomic<int>& underruns_;

    // Guards the device's state: the stream calls from its device thread and, between
    // transfers, from the threads that restart or reset the device.
    std::mutex mutex_;
    State state_ = State::Prepared;
    bool xrun_ = false;
    Steady::time_point start_;
    std::uint64_t moved_ = 0;         // frames played or recorded since the start
    std::uint64_t written_ = 0;       // playback: frames written since the start
    std::uint64_t read_ = 0;          // capture: frames read since the start
    std::deque<std::uint8_t> queue_;  // playback: written and not yet played
};

}  // namespace parlino::bench
