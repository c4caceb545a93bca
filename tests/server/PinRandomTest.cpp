#include "platform/core/PerformanceCounter.h"
#include "server/ZeltServerPinsRandom.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace parlino::test {
namespace {

TEST(PinRandom, DrawsFollowTheStateAndTheUpperHalfOfTheProduct)
{
    std::uint32_t state = 0;
    struct Step { std::uint32_t n, state, draw; };  // the state after the draw
    const Step steps[] = {
        {9, 1u, 0u},
        {10, 134775814u, 0u},
        {10, 3698175007u, 8u},
        {10, 870078620u, 2u},
        {0xFFFFFFFFu, 1172187917u, 1172187916u},
        {0, 2884733762u, 0u},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(RandomBelow(state, step.n), step.draw) << "below " << step.n;
        EXPECT_EQ(state, step.state);
    }
}

TEST(PinRandom, PinsFromKnownSeeds)
{
    struct Case { std::uint32_t seed; const char* pin; std::uint32_t stateAfter; };
    const Case cases[] = {
        {0u, "10822631340408029373", 1408429452u},
        {0xFFFFFFFFu, "92518049376836864929", 4115335003u},
        {0xDEADBEEFu, "41559848969502737813", 1554527051u},
    };
    for (const Case& c : cases) {
        std::uint32_t state = c.seed;
        EXPECT_EQ(DrawPin(state), c.pin) << "seed " << c.seed;
        EXPECT_EQ(state, c.stateAfter) << "twenty draws move the state on";
    }
}

// Runs with the process's time zone set to a POSIX TZ rule, restoring the previous one.
class TimeZone {
public:
    explicit TimeZone(const char* rule)
    {
        if (const char* old = std::getenv("TZ"))
            previous_ = old;
        setenv("TZ", rule, 1);
        tzset();
    }
    ~TimeZone()
    {
        if (previous_)
            setenv("TZ", previous_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> previous_;
};

TEST(PinRandom, SeedIsTheCounterOrElseTheUtcTimeOfDay)
{
    constexpr double eveningLocal = 45000.75;         // 18:00 local
    constexpr double afterMidnightLocal = 45001.0625;  // 01:30 local, the next day
    {
        ManualCounter counter;
        counter.set(0x1'2345'6789LL);
        ScopedCounterSource use(counter);
        EXPECT_EQ(PinSeed(eveningLocal), 0x2345'6789u) << "the low 32 bits of the counter";
    }
    ManualCounter unavailable(1000, false);
    ScopedCounterSource use(unavailable);
    {
        TimeZone utc("UTC0");
        EXPECT_EQ(PinSeed(eveningLocal), 18u * 3600 * 1000);
    }
    {
        TimeZone twoHoursEast("XST-2");
        EXPECT_EQ(PinSeed(eveningLocal), 16u * 3600 * 1000);
        EXPECT_EQ(PinSeed(afterMidnightLocal), (23u * 3600 + 30 * 60) * 1000) << "the day before in UTC";
    }
}

}  // namespace
}  // namespace parlino::test
