// A lock that many readers may hold together, or one writer alone.
//
// Requests are granted in the order they were made (readers queued one after another share
// the lock). A thread that releases the lock and asks for it again at once, as a loop
// holding it for each round does, therefore queues behind those already waiting and cannot
// keep them out.
//
// Rules for every user: never ask for the lock while holding it (not even for reading
// under a read lock), never wait for another thread while holding it, and release it
// before a synchronous call into the main thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace parlino {

class ReadWriteLock {
public:
    void lockRead();
    void unlockRead();
    void lockWrite();
    void unlockWrite();

    // Requests waiting for the lock now (for diagnostics and tests).
    int waitingCount() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t nextTicket_ = 0;
    std::uint64_t servingTicket_ = 0;
    int activeReaders_ = 0;
    bool activeWriter_ = false;
};

class ReadLockGuard {
public:
    explicit ReadLockGuard(ReadWriteLock& lock) : lock_(lock) { lock_.lockRead(); }
    ~ReadLockGuard() { lock_.unlockRead(); }
    ReadLockGuard(const ReadLockGuard&) = delete;
    ReadLockGuard& operator=(const ReadLockGuard&) = delete;

private:
    ReadWriteLock& lock_;
};

class WriteLockGuard {
public:
    explicit WriteLockGuard(ReadWriteLock& lock) : lock_(lock) { lock_.lockWrite(); }
    ~WriteLockGuard() { lock_.unlockWrite(); }
    WriteLockGuard(const WriteLockGuard&) = delete;
    WriteLockGuard& operator=(const WriteLockGuard&) = delete;

private:
    ReadWriteLock& lock_;
};

}  // namespace parlino
