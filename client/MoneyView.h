// What the balance and order handling needs from the softphone's window: the log, the call
// buttons and the Balance and Order dialogs. The window implements it on its controls;
// tests implement it with a recorder.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace parlino {

class MoneyView {
public:
    virtual ~MoneyView() = default;

    // Inserts a log entry; the text begins with a blank.
    virtual void addLogEntry(const QString& text) = 0;
    // The Balance, Call and Drop buttons together, and the Balance button alone.
    virtual void setCallButtonsEnabled(bool enabled) = 0;
    virtual void setBalanceEnabled(bool enabled) = 0;
    // The locale's long time format, in which the slot times are written.
    virtual QString longTimeFormat() const = 0;

    // Runs the Balance dialog; true for OK, with the choice in `pay` and `pin`.
    virtual bool runBalance(bool& pay, QString& pin) = 0;
    // Runs the Order dialog under `caption` on the slot rows; true for OK. The choice made
    // is in `orderNew`, which starts equal to `orderOld`.
    virtual bool runOrders(const QString& caption, std::int32_t orderOld, std::int32_t& orderNew,
                           const QStringList& slotRows) = 0;
};

}  // namespace parlino
