#include "client/ContactNames.h"

namespace parlino {

QString ContactNames(const QStringList& contacts, std::int32_t number)
{
    const QString digits = QString::number(number);
    QStringList names;
    for (const QString& line : contacts) {
        if (line.size() <= digits.size() || !line.endsWith(digits))
            continue;
        const qsizetype equals = line.size() - digits.size() - 1;
        if (line.at(equals) == QLatin1Char('='))
            names.append(line.left(equals));
    }
    if (names.isEmpty())
        return {};
    return QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QLatin1Char(')');
}

}  // namespace parlino
