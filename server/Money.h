// Rules every change of a balance keeps, whoever asks for it: a balance stays a finite
// number, and a price per minute is a finite amount of at least zero.
#pragma once

namespace parlino {

// A price that may be charged: finite and not negative. Anything else must not reach a
// balance (a negative price would pay the caller, NaN would make a balance that passes
// every test for funds).
bool isAcceptablePrice(double price);

// The balance after `amount` is added (a charge is a negative amount). The result is always
// finite: a sum past the largest double stops at it, and an amount that is not a number
// leaves the balance as it was. A balance that is not a number already counts as 0.
double movedBalance(double balance, double amount);

// Whether a balance pays for a call or a minute: above 0, which NaN never is.
inline bool hasFunds(double balance)
{
    return balance > 0.0;
}

}  // namespace parlino
