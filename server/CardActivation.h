// Moving a released PIN card to the activated table of its denomination, shared by the
// top-up and by the reload that finishes a top-up the program did not live to finish.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace parlino {

class TDataModule2;

namespace dataset {
class Dataset;
}

// Money credited by a card of each denomination, in the order of PinPrefixes.
inline constexpr std::array<double, 3> CardCredits = {10.0, 20.0, 50.0};

// A released card found by its PIN: its denomination (index into PinPrefixes) and row.
struct ReleasedCard {
    int denomination = -1;
    int row = -1;
    explicit operator bool() const { return row >= 0; }
};

// The first denomination, in search order, whose released table holds the PIN exactly
// (whole value, case-sensitive); an empty PIN is never found.
ReleasedCard findReleasedCard(const TDataModule2& store, const std::string& pin);

// Activates the released card under `id` at `now` (an account holds one activated card over
// all denominations: one of another denomination gives way, one of the same is overwritten)
// and removes it from the released table. Every change is made in memory first and the
// changed card tables are saved afterwards, so that an error while saving leaves no table in
// memory that still offers the card.
void activateCard(TDataModule2& store, const ReleasedCard& card, std::int32_t id, double now);

}  // namespace parlino
