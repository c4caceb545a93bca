// The time left of a wait's time-out, for waits that a signal can interrupt.
#pragma once

#include <chrono>

namespace parlino::net {

class WaitDeadline {
public:
    // Negative: no limit.
    explicit WaitDeadline(int timeoutMs)
        : timeoutMs_(timeoutMs), deadline_(Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0))
    {
    }

    // What is left, in whole milliseconds rounded up, so that a wait is never cut short
    // (0 once it has passed; negative without limit).
    int remainingMs() const
    {
        if (timeoutMs_ < 0)
            return -1;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - Clock::now());
        return left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }

private:
    using Clock = std::chrono::steady_clock;
    int timeoutMs_;
    Clock::time_point deadline_;
};

}  // namespace parlino::net
