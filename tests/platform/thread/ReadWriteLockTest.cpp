#include "platform/thread/ReadWriteLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace parlino {
namespace {

// Waits (bounded) until `count` requests queue on the lock.
bool WaitForWaiters(const ReadWriteLock& lock, int count)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (lock.waitingCount() < count) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

TEST(ReadWriteLock, ReadersShareTheLock)
{
    ReadWriteLock lock;
    std::atomic<bool> secondIn{false};
    ReadLockGuard first(lock);
    std::thread reader([&] {
        ReadLockGuard second(lock);
        secondIn = true;
    });
    reader.join();  // would never return if readers excluded each other
    EXPECT_TRUE(secondIn.load());
}

TEST(ReadWriteLock, WriterExcludesReadersAndWritersUntilReleased)
{
    ReadWriteLock lock;
    std::atomic<int> inside{0};
    lock.lockWrite();
    std::thread reader([&] { ReadLockGuard guard(lock); ++inside; });
    std::thread writer([&] { WriteLockGuard guard(lock); ++inside; });
    ASSERT_TRUE(WaitForWaiters(lock, 2));
    EXPECT_EQ(inside.load(), 0);
    lock.unlockWrite();
    reader.join();
    writer.join();
    EXPECT_EQ(inside.load(), 2);
    EXPECT_EQ(lock.waitingCount(), 0);
}

TEST(ReadWriteLock, ReaderWaitsForActiveReadersNotForWriterBehindIt)
{
    ReadWriteLock lock;
    lock.lockRead();
    std::atomic<bool> writerIn{false};
    std::thread writer([&] { WriteLockGuard guard(lock); writerIn = true; });
    ASSERT_TRUE(WaitForWaiters(lock, 1));
    EXPECT_FALSE(writerIn.load());
    lock.unlockRead();
    writer.join();
    EXPECT_TRUE(writerIn.load());
}

// A loop that releases the lock and takes it again at once must not keep out a thread
// that was already waiting.
TEST(ReadWriteLock, WaitingThreadGoesBeforeAWriterThatComesBackAtOnce)
{
    ReadWriteLock lock;
    std::mutex orderMutex;
    std::vector<char> order;
    const auto record = [&](char who) {
        std::lock_guard guard(orderMutex);
        order.push_back(who);
    };

    lock.lockWrite();
    std::thread reader([&] {
        ReadLockGuard guard(lock);
        record('R');
    });
    std::thread signIn([&] {
        ASSERT_TRUE(WaitForWaiters(lock, 1));
        WriteLockGuard guard(lock);
        record('S');
    });
    ASSERT_TRUE(WaitForWaiters(lock, 2));
    lock.unlockWrite();
    lock.lockWrite();
    record('W');
    lock.unlockWrite();
    reader.join();
    signIn.join();
    EXPECT_EQ(order, (std::vector<char>{'R', 'S', 'W'}));
}

}  // namespace
}  // namespace parlino
