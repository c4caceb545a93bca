// The program's pseudo-random numbers as "Generate" draws them for new PIN cards.
//
// The generator is a 32-bit linear congruential state; a draw below n moves the state on and
// scales it into 0..n-1 by the upper half of a 64-bit product. Seeding and drawing are kept
// apart from the window so that the exact sequence can be checked.
#pragma once

#include <cstdint>
#include <string>

namespace parlino {

inline constexpr int PinLength = 20;

// Moves the state on (state * 134775813 + 1, modulo 2^32) and returns the upper 32 bits of
// state * n: a number below n (0 when n is 0).
std::uint32_t RandomBelow(std::uint32_t& state, std::uint32_t n);

// A new PIN from the state: 20 decimal digits, the first "1" to "9".
std::string DrawPin(std::uint32_t& state);

// The seed of a generation: the low 32 bits of the performance counter, or, when the counter
// cannot be read, the UTC time of day in milliseconds of localDateTime (days since
// 30 December 1899, local time).
std::uint32_t PinSeed(double localDateTime);

// The milliseconds since midnight UTC of a local date-time (days since 30 December 1899).
std::uint32_t UtcMillisecondsOfDay(double localDateTime);

}  // namespace parlino
