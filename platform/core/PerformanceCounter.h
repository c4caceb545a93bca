// The high-resolution performance counter: a count that only moves forward, and how many
// counts make a second. Tests put a counter of their own in place of the real one.
#pragma once

#include <cstdint>

namespace parlino {

class CounterSource {
public:
    virtual ~CounterSource() = default;
    // Counts per second; false when the counter is not available.
    virtual bool frequency(std::int64_t& countsPerSecond) = 0;
    virtual std::int64_t value() = 0;
};

// Read the counter in use (the system's monotonic clock unless a test replaced it).
// Safe from any thread.
bool QueryCounterFrequency(std::int64_t& countsPerSecond);
std::int64_t QueryCounter();

// Puts `source` in place of the counter for the lifetime of this object.
class ScopedCounterSource {
public:
    explicit ScopedCounterSource(CounterSource& source);
    ~ScopedCounterSource();
    ScopedCounterSource(const ScopedCounterSource&) = delete;
    ScopedCounterSource& operator=(const ScopedCounterSource&) = delete;

private:
    CounterSource* previous_;
};

// A counter that moves only when told to; for tests.
class ManualCounter : public CounterSource {
public:
    explicit ManualCounter(std::int64_t countsPerSecond = 1000, bool available = true)
        : countsPerSecond_(countsPerSecond), available_(available) {}
    bool frequency(std::int64_t& countsPerSecond) override;
    std::int64_t value() override { return value_; }
    void set(std::int64_t value) { value_ = value; }
    void advance(std::int64_t counts) { value_ += counts; }

private:
    std::int64_t countsPerSecond_;
    bool available_;
    std::int64_t value_ = 0;
};

}  // namespace parlino
