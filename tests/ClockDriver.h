// Moving a ManualClock while another thread waits against it.
#pragma once

#include "platform/thread/Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace parlino::test {

// Moves `clock` on by `step` about every 100 µs of real time until `done` holds; gives up
// after `realLimit` of real time. Returns done.
inline bool AdvanceUntil(ManualClock& clock, const std::atomic<bool>& done, Clock::Duration step,
                         std::chrono::milliseconds realLimit = std::chrono::milliseconds(10000))
{
    const auto deadline = std::chrono::steady_clock::now() + realLimit;
    while (!done && std::chrono::steady_clock::now() < deadline) {
        clock.advance(step);
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return done;
}

}  // namespace parlino::test
