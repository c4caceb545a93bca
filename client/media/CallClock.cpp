#include "client/media/CallClock.h"

#include <cmath>
#include <limits>

namespace parlino {

double CallSeconds(bool counterAvailable, long double counterFrequency, std::int64_t callTimeBase,
                   std::int64_t counterNow)
{
    if (!counterAvailable || !(counterFrequency > 0))
        return 0.0;
    const long double counts =
        static_cast<long double>(counterNow) - static_cast<long double>(callTimeBase);
    return static_cast<double>(counts / counterFrequency);
}

std::int32_t RateOfInterval(bool counterAvailable, long double counterFrequency,
                            std::int64_t previous, std::int64_t now)
{
    if (!counterAvailable || !(counterFrequency > 0) || now <= previous)
        return -1;
    const long double rate =
        std::nearbyint(counterFrequency / static_cast<long double>(now - previous));
    if (rate > static_cast<long double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(rate);
}

}  // namespace parlino
