#include "platform/thread/ReadWriteLock.h"

namespace parlino {

void ReadWriteLock::lockRead()
{
    std::unique_lock lock(mutex_);
    const std::uint64_t ticket = nextTicket_++;
    changed_.wait(lock, [&] { return servingTicket_ == ticket && !activeWriter_; });
    ++activeReaders_;
    ++servingTicket_;
    lock.unlock();
    changed_.notify_all();  // a reader queued next may join
}

void ReadWriteLock::unlockRead()
{
    {
        std::lock_guard lock(mutex_);
        --activeReaders_;
    }
    changed_.notify_all();
}

void ReadWriteLock::lockWrite()
{
    std::unique_lock lock(mutex_);
    const std::uint64_t ticket = nextTicket_++;
    changed_.wait(lock, [&] {
        return servingTicket_ == ticket && !activeWriter_ && activeReaders_ == 0;
    });
    activeWriter_ = true;
    ++servingTicket_;
}

void ReadWriteLock::unlockWrite()
{
    {
        std::lock_guard lock(mutex_);
        activeWriter_ = false;
    }
    changed_.notify_all();
}

int ReadWriteLock::waitingCount() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(nextTicket_ - servingTicket_);
}

}  // namespace parlino
