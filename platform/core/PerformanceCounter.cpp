#include "platform/core/PerformanceCounter.h"

#include <atomic>
#include <time.h>

namespace parlino {

namespace {

class MonotonicCounter : public CounterSource {
public:
    bool frequency(std::int64_t& countsPerSecond) override
    {
        countsPerSecond = 1'000'000'000;
        return true;
    }
    std::int64_t value() override
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    }
};

MonotonicCounter systemCounter;
std::atomic<CounterSource*> currentCounter{&systemCounter};

}  // namespace

bool QueryCounterFrequency(std::int64_t& countsPerSecond)
{
    return currentCounter.load()->frequency(countsPerSecond);
}

std::int64_t QueryCounter()
{
    return currentCounter.load()->value();
}

ScopedCounterSource::ScopedCounterSource(CounterSource& source)
    : previous_(currentCounter.exchange(&source))
{
}

ScopedCounterSource::~ScopedCounterSource()
{
    currentCounter.store(previous_);
}

bool ManualCounter::frequency(std::int64_t& countsPerSecond)
{
    countsPerSecond = available_ ? countsPerSecond_ : 0;
    return available_;
}

}  // namespace parlino
