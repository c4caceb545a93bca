// An event that wakes one wait and then falls back to non-signalled by itself.
//
// The wave devices set it on open, on every finished buffer and on close; a voice thread
// waits on it with a time-out. Setting an event that is already signalled changes nothing:
// several finished buffers before a wait wake that wait once, which is why the waiting
// thread looks at the buffers' done flags rather than counting wake-ups.
#pragma once

#include "platform/thread/Clock.h"

#include <condition_variable>
#include <mutex>

namespace parlino {

class AutoResetEvent {
public:
    enum class WaitResult { Signalled, TimedOut };
    static constexpr int Infinite = -1;

    // Non-signalled at first. Time-outs are measured against `clock`.
    explicit AutoResetEvent(Clock& clock = MonotonicClock()) : clock_(clock) {}
    AutoResetEvent(const AutoResetEvent&) = delete;
    AutoResetEvent& operator=(const AutoResetEvent&) = delete;

    // Any thread.
    void set();
    void reset();
    bool isSet() const;

    // Returns Signalled (and clears the event) once it is set, or TimedOut after `timeoutMs`
    // milliseconds of the clock; Infinite waits without limit. A time-out of 0 only polls.
    WaitResult wait(int timeoutMs);

private:
    Clock& clock_;
    // Taken by set(), reset() and wait() around the flag only; nothing else is done while
    // holding it.
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;
};

}  // namespace parlino
