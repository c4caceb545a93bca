// A monotonic clock that waits can be measured against, so tests drive time themselves.
//
// The program uses MonotonicClock(); a test hands a ManualClock to the objects it checks and
// moves it forward, so that a wait of ten seconds passes in no time.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace parlino {

class Clock {
public:
    using Duration = std::chrono::nanoseconds;
    using TimePoint = std::chrono::nanoseconds;  // since an arbitrary fixed zero

    virtual ~Clock() = default;
    virtual TimePoint now() const = 0;

    // Waits on `changed` (whose mutex `lock` holds) until `done()` holds or the clock has
    // reached `deadline`. Whoever makes `done()` true notifies `changed` under the mutex.
    // Returns done().
    virtual bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
                           TimePoint deadline, const std::function<bool()>& done) = 0;
};

// The system's monotonic clock; one shared, stateless object.
Clock& MonotonicClock();

// A clock that moves only when told to.
//
// Waits against it recheck the time at least every millisecond of real time, since advance()
// cannot take the mutexes of the objects that wait (it would invert their lock order).
class ManualClock : public Clock {
public:
    TimePoint now() const override { return TimePoint(now_.load()); }
    bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
                   TimePoint deadline, const std::function<bool()>& done) override;

    void advance(Duration step) { now_ += step.count(); }
    void set(TimePoint time) { now_ = time.count(); }

private:
    std::atomic<std::int64_t> now_{0};
};

}  // namespace parlino
