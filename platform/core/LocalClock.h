// The computer's clock, read and set in local time. The softphone sets it to the server's
// time of day when an outside line sends its order table.
//
// SystemLocalClock is the machine's own clock. Setting it needs a privilege that an
// ordinary user does not have; a refusal is accepted silently, since the clock is only
// brought in line for the subscriber's convenience. Tests use a clock of their own and never
// set the machine's.
#pragma once

#include <QDateTime>

namespace parlino {

class LocalClock {
public:
    virtual ~LocalClock() = default;

    virtual QDateTime localNow() const = 0;
    // Sets the clock to `when` (local time); false when the system refused.
    virtual bool setLocalTime(const QDateTime& when) = 0;
};

class SystemLocalClock : public LocalClock {
public:
    QDateTime localNow() const override;
    bool setLocalTime(const QDateTime& when) override;
};

}  // namespace parlino
