// A clock for the softphone's tests in place of the machine's, which tests never set. It
// keeps every setting asked of it and can refuse them as an unprivileged user's would be.
#pragma once

#include "platform/core/LocalClock.h"

#include <vector>

namespace parlino::test {

class StandInClock : public LocalClock {
public:
    QDateTime localNow() const override { return now; }
    bool setLocalTime(const QDateTime& when) override
    {
        settings.push_back(when);
        if (refuses)
            return false;
        now = when;
        return true;
    }

    QDateTime now{QDate(2026, 12, 9), QTime(8, 15)};
    std::vector<QDateTime> settings;
    bool refuses = false;
};

}  // namespace parlino::test
