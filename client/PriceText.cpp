#include "client/PriceText.h"

#include <QLocale>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace parlino {

namespace {
constexpr int SignificantDigits = 15;
constexpr int Decimals = 15;
}  // namespace

QString PriceText(double price, QChar decimalSeparator)
{
    if (std::isnan(price))
        return QStringLiteral("NAN");
    if (std::isinf(price))
        return price < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");

    // The 15 significant digits and the exponent, rounded once; the digits the double
    // carries beyond them are not shown (0.15 has binary noise past the 17th digit).
    char scientific[64];
    std::snprintf(scientific, sizeof scientific, "%.*e", SignificantDigits - 1, std::fabs(price));
    std::string digits;
    const char* p = scientific;
    for (; *p != 'e'; ++p)
        if (*p != '.')
            digits += *p;
    const int exponent = std::atoi(p + 1);
    const bool negative = std::signbit(price) && digits.find_first_not_of('0') != std::string::npos;

    QString text = negative ? QStringLiteral("-") : QString();
    if (exponent >= SignificantDigits) {
        text += QLatin1Char(digits[0]) + decimalSeparator + QString::fromLatin1(digits.substr(1)) +
            QStringLiteral("E+") + QString::number(exponent);
        return text;
    }
    std::string whole;
    std::string fraction;
    if (exponent >= 0) {
        whole = digits.substr(0, static_cast<std::size_t>(exponent) + 1);
        fraction = digits.substr(static_cast<std::size_t>(exponent) + 1);
    } else {
        whole = "0";
        fraction = std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }
    // Exactly 15 decimals: digits past them round away, missing ones are zeros.
    if (fraction.size() > Decimals) {
        const bool roundUp = fraction[Decimals] >= '5';
        fraction.resize(Decimals);
        if (roundUp) {
            std::string all = whole + fraction;
            int i = static_cast<int>(all.size()) - 1;
            for (; i >= 0 && all[static_cast<std::size_t>(i)] == '9'; --i)
                all[static_cast<std::size_t>(i)] = '0';
            if (i < 0)
                all.insert(all.begin(), '1');
            else
                ++all[static_cast<std::size_t>(i)];
            whole = all.substr(0, all.size() - Decimals);
            fraction = all.substr(all.size() - Decimals);
        }
    }
    fraction.resize(Decimals, '0');
    text += QString::fromLatin1(whole) + decimalSeparator + QString::fromLatin1(fraction);
    return text;
}

QString PriceText(double price)
{
    const QString separator = QLocale().decimalPoint();
    return PriceText(price, separator.isEmpty() ? QLatin1Char('.') : separator.front());
}

}  // namespace parlino
