#include "platform/thread/AutoResetEvent.h"

#include "ClockDriver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace parlino {
namespace {

using namespace std::chrono_literals;

TEST(AutoResetEventTest, OneSetWakesOneWaitAndResetsItself)
{
    ManualClock clock;
    AutoResetEvent event(clock);
    EXPECT_FALSE(event.isSet());
    EXPECT_EQ(event.wait(0), AutoResetEvent::WaitResult::TimedOut);

    event.set();
    event.set();  // a second set before the wait changes nothing
    EXPECT_EQ(event.wait(0), AutoResetEvent::WaitResult::Signalled);
    EXPECT_EQ(event.wait(0), AutoResetEvent::WaitResult::TimedOut);

    event.set();
    event.reset();
    EXPECT_EQ(event.wait(0), AutoResetEvent::WaitResult::TimedOut);
}

TEST(AutoResetEventTest, LongTimeOutsPassOnTheInjectedClock)
{
    ManualClock clock;
    AutoResetEvent event(clock);
    for (const int timeoutMs : {10000, 59000}) {
        std::atomic<bool> finished{false};
        const Clock::TimePoint started = clock.now();
        auto waiter = std::async(std::launch::async, [&] {
            const auto result = event.wait(timeoutMs);
            finished = true;
            return result;
        });
        ASSERT_TRUE(test::AdvanceUntil(clock, finished, 10ms)) << timeoutMs;
        EXPECT_EQ(waiter.get(), AutoResetEvent::WaitResult::TimedOut) << timeoutMs;
        EXPECT_GE(clock.now() - started, std::chrono::milliseconds(timeoutMs)) << "timed out early";
    }
}

TEST(AutoResetEventTest, SetFromAnotherThreadEndsAWait)
{
    AutoResetEvent event;  // the monotonic clock
    auto waiter = std::async(std::launch::async,
                             [&] { return event.wait(AutoResetEvent::Infinite); });
    event.set();
    ASSERT_EQ(waiter.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(waiter.get(), AutoResetEvent::WaitResult::Signalled);
}

}  // namespace
}  // namespace parlino
