#include "platform/thread/AutoResetEvent.h"

namespace parlino {

void AutoResetEvent::set()
{
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    changed_.notify_one();
}

void AutoResetEvent::reset()
{
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool AutoResetEvent::isSet() const
{
    std::lock_guard lock(mutex_);
    return signalled_;
}

AutoResetEvent::WaitResult AutoResetEvent::wait(int timeoutMs)
{
    std::unique_lock lock(mutex_);
    if (timeoutMs < 0) {
        changed_.wait(lock, [this] { return signalled_; });
    } else {
        const Clock::TimePoint deadline = clock_.now() + std::chrono::milliseconds(timeoutMs);
        if (!clock_.waitUntil(lock, changed_, deadline, [this] { return signalled_; }))
            return WaitResult::TimedOut;
    }
    signalled_ = false;
    return WaitResult::Signalled;
}

}  // namespace parlino
