// The names under which a number is kept in the contact lines, for log entries.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace parlino {

// " (Ann, Bob)" for the lines Ann=101 and Bob=101 and the number 101; empty when no line
// ends in "=" and exactly that number.
QString ContactNames(const QStringList& contacts, std::int32_t number);

}  // namespace parlino
