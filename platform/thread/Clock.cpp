#include "platform/thread/Clock.h"

namespace parlino {

namespace {

class SteadyClock : public Clock {
public:
    TimePoint now() const override
    {
        return std::chrono::duration_cast<TimePoint>(
            std::chrono::steady_clock::now().time_since_epoch());
    }

    bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
                   TimePoint deadline, const std::function<bool()>& done) override
    {
        const std::chrono::steady_clock::time_point until(
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(deadline));
        return changed.wait_until(lock, until, done);
    }
};

}  // namespace

Clock& MonotonicClock()
{
    static SteadyClock clock;
    return clock;
}

bool ManualClock::waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
                            TimePoint deadline, const std::function<bool()>& done)
{
    while (!done()) {
        if (now() >= deadline)
            return false;
        changed.wait_for(lock, std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace parlino
