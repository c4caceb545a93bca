// A price as the softphone shows it: fixed-point, rounded to 15 significant digits, with 15
// digits after the decimal separator ("0.150000000000000").
#pragma once

#include <QChar>
#include <QString>

namespace parlino {

// Values of 1e15 and more keep 15 significant digits in scientific notation; NaN and the
// infinities read "NAN", "INF" and "-INF".
QString PriceText(double price, QChar decimalSeparator);
// The same with the decimal separator of the current locale.
QString PriceText(double price);

}  // namespace parlino
