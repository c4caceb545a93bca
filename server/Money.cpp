#include "server/Money.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace parlino {

bool isAcceptablePrice(double price)
{
    return std::isfinite(price) && price >= 0.0;
}

double movedBalance(double balance, double amount)
{
    constexpr double Largest = std::numeric_limits<double>::max();
    if (std::isnan(balance))
        balance = 0.0;
    balance = std::clamp(balance, -Largest, Largest);
    if (std::isnan(amount))
        return balance;
    return std::clamp(balance + amount, -Largest, Largest);
}

}  // namespace parlino
