#include "client/media/CallClock.h"

#include <gtest/gtest.h>

namespace parlino {
namespace {

TEST(CallClockTest, SecondsSinceTheCallsZeroPoint)
{
    EXPECT_DOUBLE_EQ(CallSeconds(true, 1000.0L, 500, 1740), 1.24);
    EXPECT_DOUBLE_EQ(CallSeconds(true, 1000.0L, 500, 400), -0.1);
    // Without a counter the clock stands at 0 rather than dividing by zero.
    EXPECT_EQ(CallSeconds(false, 1000.0L, 500, 1740), 0.0);
    EXPECT_EQ(CallSeconds(true, 0.0L, 500, 1740), 0.0);
}

TEST(CallClockTest, RateOfTheLastInterval)
{
    EXPECT_EQ(RateOfInterval(true, 1000.0L, 0, 120), 8);
    EXPECT_EQ(RateOfInterval(true, 1000.0L, 0, 3), 333);
    EXPECT_EQ(RateOfInterval(true, 1000.0L, 7, 7), -1);
    EXPECT_EQ(RateOfInterval(true, 1000.0L, 7, 6), -1);
    EXPECT_EQ(RateOfInterval(false, 1000.0L, 0, 120), -1);
}

}  // namespace
}  // namespace parlino
