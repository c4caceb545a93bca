#include "platform/core/LocalClock.h"

#include <ctime>

namespace parlino {

QDateTime SystemLocalClock::localNow() const
{
    return QDateTime::currentDateTime();
}

bool SystemLocalClock::setLocalTime(const QDateTime& when)
{
    if (!when.isValid() || when.toMSecsSinceEpoch() < 0)
        return false;
    const qint64 ms = when.toMSecsSinceEpoch();
    timespec value{};
    value.tv_sec = static_cast<time_t>(ms / 1000);
    value.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    // Without the privilege to set the clock this fails with EPERM, which is no error here.
    return clock_settime(CLOCK_REALTIME, &value) == 0;
}

}  // namespace parlino
