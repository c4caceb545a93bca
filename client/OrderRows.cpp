#include "client/OrderRows.h"

#include <cmath>

namespace parlino {

namespace {

constexpr int SlotSeconds = 10 * 60;
constexpr std::int64_t MsPerDay = 24LL * 60 * 60 * 1000;
// 31 December 9999, the last day a date-time can name.
constexpr double LastDay = 2958465.0;

QString StatusOf(char letter)
{
    switch (letter) {
    case 'f': return QString();
    case 'y': return QStringLiteral("Your time");
    default: return QStringLiteral("Reserved");  // "b", and any letter we do not know
    }
}

}  // namespace

std::optional<OrderRows> BuildOrderRows(std::string_view letters, const QString& timeFormat)
{
    if (letters.size() > MaxOrderSlots)
        return std::nullopt;
    OrderRows rows;
    // The last slot ends at midnight; only times of day are shown, so the date drops out.
    const int count = static_cast<int>(letters.size());
    QTime start = QTime(0, 0).addSecs(-SlotSeconds * count);
    for (int i = count - 1; i >= 0; --i) {
        const char letter = letters[static_cast<std::size_t>(i)];
        const QTime end = start.addSecs(SlotSeconds);
        rows.lines.append(start.toString(timeFormat) + '-' + end.toString(timeFormat) + '=' +
                          StatusOf(letter));
        if (letter == 'y')
            rows.orderOld = i;
        start = end;
    }
    return rows;
}

std::optional<QTime> TimeOfDayFromDays(double days)
{
    if (!std::isfinite(days) || std::fabs(days) > LastDay + 1)
        return std::nullopt;
    // Before 30 December 1899 the fraction still counts forward from midnight.
    double whole = 0;
    const double fraction = std::fabs(std::modf(days, &whole));
    std::int64_t ms = std::llround(fraction * static_cast<double>(MsPerDay));
    if (ms >= MsPerDay)  // rounded up to the next midnight
        ms = 0;
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms));
}

}  // namespace parlino
