#include "platform/core/PerformanceCounter.h"

#include <gtest/gtest.h>

namespace parlino {
namespace {

TEST(PerformanceCounter, ReplacedCounterIsReadUntilItsScopeEnds)
{
    std::int64_t systemFrequency = 0;
    ASSERT_TRUE(QueryCounterFrequency(systemFrequency));
    ASSERT_GT(systemFrequency, 0);

    ManualCounter outer(1000);
    ManualCounter inner(0, false);
    {
        ScopedCounterSource useOuter(outer);
        outer.set(5000);
        outer.advance(250);
        std::int64_t frequency = 0;
        EXPECT_TRUE(QueryCounterFrequency(frequency));
        EXPECT_EQ(frequency, 1000);
        EXPECT_EQ(QueryCounter(), 5250);
        {
            ScopedCounterSource useInner(inner);
            EXPECT_FALSE(QueryCounterFrequency(frequency));
            EXPECT_EQ(QueryCounter(), 0);
        }
        EXPECT_EQ(QueryCounter(), 5250);
    }
    std::int64_t frequency = 0;
    ASSERT_TRUE(QueryCounterFrequency(frequency));
    EXPECT_EQ(frequency, systemFrequency);
}

}  // namespace
}  // namespace parlino
