// The demo accounts and PIN cards that `parlino-tables demo` installs.
#pragma once

#include "common/AccountNumbers.h"

#include <array>
#include <cstdint>
#include <string>

namespace parlino::tools {

struct DemoAccount {
    std::int32_t clientId;
    const char* name;
    const char* loc;
    const char* status;
    double balance;
};

inline constexpr const char* DemoIpAddress = "127.0.0.1";
inline constexpr const char* DemoPassword = "582047";

inline constexpr std::array<DemoAccount, 6> DemoAccounts = {{
    {101, "Alice", "Office", StatusOffline, 20},
    {102, "Bob", "Office", StatusOffline, 20},
    {103, "Carol", "Home", StatusOffline, 20},
    {104, "Dave", "Home", StatusBanned, 20},
    {105, "Erin", "Home", StatusOffline, 0},
    {801, "Line 1", "Gateway", StatusOffline, 20},
}};

struct DemoCard {
    int denomination;  // index into PinPrefixes
    const char* pin;
};

inline constexpr std::array<DemoCard, 4> DemoReleasedCards = {{
    {0, "10000000000000000080"},
    {0, "10000000000000000081"},
    {1, "20000000000000000250"},
    {2, "50000000000000000500"},
}};

}  // namespace parlino::tools
