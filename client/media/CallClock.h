// Seconds on the call clock: counter counts since the call's zero point, over the counter's
// frequency. Both ends of a call count from about the same instant.
//
// Without a high-resolution counter (or with a frequency of zero) the call clock stands
// still at 0: SendTime is then 0 and every datagram's age is 0, so the age rule keeps the
// store following the datagrams as they arrive, instead of dividing by zero.
#pragma once

#include <cstdint>

namespace parlino {

double CallSeconds(bool counterAvailable, long double counterFrequency, std::int64_t callTimeBase,
                   std::int64_t counterNow);

// Datagrams per second over the last interval, or -1 when it cannot be told (no counter,
// or no time has passed).
std::int32_t RateOfInterval(bool counterAvailable, long double counterFrequency,
                            std::int64_t previous, std::int64_t now);

}  // namespace parlino
