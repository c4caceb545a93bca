// The order table of an outside line as the softphone shows it, and the server's time of
// day that comes with it.
//
// Slot letters hold one character per 10-minute slot, the last character being the slot
// that ends at the coming midnight: "b" reserved by someone else, "f" free, "y" the
// subscriber's own. Any other character is shown as a slot that cannot be chosen
// ("Reserved"), so that every character keeps its row and a row's slot index is always the
// character's position.
#pragma once

#include <QString>
#include <QStringList>
#include <QTime>

#include <cstdint>
#include <optional>
#include <string_view>

namespace parlino {

// One day of 10-minute slots; a longer table is refused.
inline constexpr std::size_t MaxOrderSlots = 144;

struct OrderRows {
    // "start-end=status", the earliest slot first.
    QStringList lines;
    // Slot index of the subscriber's own reservation, -1 when none.
    std::int32_t orderOld = -1;
};

// The rows of `letters`, times written in `timeFormat`; nullopt when there are more than
// MaxOrderSlots letters.
std::optional<OrderRows> BuildOrderRows(std::string_view letters, const QString& timeFormat);

// The time of day of a date-time (days since 30 December 1899, the fraction being the time
// of day); nullopt for a value that is no date-time (not finite, or beyond the year 9999).
std::optional<QTime> TimeOfDayFromDays(double days);

}  // namespace parlino
