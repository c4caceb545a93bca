#include "server/Money.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace parlino {

bool IsAcceptablePrice(double price)
{
    return std::isfinite(price) && price >= 0.0;
}

double MovedBalance(double balance, double amount)
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
