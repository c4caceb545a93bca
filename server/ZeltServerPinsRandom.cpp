#include "server/ZeltServerPinsRandom.h"

#include "platform/core/PerformanceCounter.h"

#include <QDateTime>

#include <cmath>

namespace parlino {

std::uint32_t RandomBelow(std::uint32_t& state, std::uint32_t n)
{
    state = state * 134775813u + 1u;  // unsigned: wraps modulo 2^32
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(state) * n) >> 32);
}

std::string DrawPin(std::uint32_t& state)
{
    std::string pin;
    pin.reserve(PinLength);
    pin += static_cast<char>('1' + RandomBelow(state, 9));
    while (pin.size() < static_cast<std::size_t>(PinLength))
        pin += static_cast<char>('0' + RandomBelow(state, 10));
    return pin;
}

std::uint32_t UtcMillisecondsOfDay(double localDateTime)
{
    const double days = std::floor(localDateTime);
    const auto milliseconds = static_cast<int>(std::llround((localDateTime - days) * 86400000.0));
    QDateTime local(QDate(1899, 12, 30).addDays(static_cast<qint64>(days)), QTime(0, 0), Qt::LocalTime);
    local = local.addMSecs(milliseconds);
    return static_cast<std::uint32_t>(local.toUTC().time().msecsSinceStartOfDay());
}

std::uint32_t PinSeed(double localDateTime)
{
    std::int64_t frequency = 0;
    if (QueryCounterFrequency(frequency))
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(QueryCounter()));
    return UtcMillisecondsOfDay(localDateTime);
}

}  // namespace parlino
