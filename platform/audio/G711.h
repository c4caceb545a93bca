// G.711 mu-law: 8-bit codes to 16-bit linear samples and back.
#pragma once

#include <array>
#include <cstdint>

namespace parlino {

namespace g711detail {

constexpr std::int16_t DecodeMuLaw(std::uint8_t code)
{
    const unsigned inverted = static_cast<std::uint8_t>(~code);
    const int magnitude = ((static_cast<int>(inverted & 0x0F) << 3) + 0x84)
        << ((inverted & 0x70) >> 4);
    return static_cast<std::int16_t>((inverted & 0x80) ? 0x84 - magnitude : magnitude - 0x84);
}

constexpr std::array<std::int16_t, 256> MakeMuLawTable()
{
    std::array<std::int16_t, 256> table{};
    for (int code = 0; code < 256; ++code)
        table[code] = DecodeMuLaw(static_cast<std::uint8_t>(code));
    return table;
}

}  // namespace g711detail

// The linear value of every mu-law code (0xFF and 0x7F are both zero).
inline constexpr std::array<std::int16_t, 256> MuLawToLinearTable = g711detail::MakeMuLawTable();

inline std::int16_t MuLawToLinear(std::uint8_t code)
{
    return MuLawToLinearTable[code];
}

// The mu-law code nearest to `sample`; magnitudes beyond the code range take the largest code.
std::uint8_t LinearToMuLaw(std::int16_t sample);

}  // namespace parlino
