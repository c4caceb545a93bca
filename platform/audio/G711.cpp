#include "platform/audio/G711.h"

namespace parlino {

std::uint8_t LinearToMuLaw(std::int16_t sample)
{
    constexpr int Bias = 0x84;
    constexpr int Clip = 32635;
    int value = sample;
    const int sign = value < 0 ? 0x80 : 0x00;
    if (value < 0)
        value = -value;
    if (value > Clip)
        value = Clip;
    value += Bias;
    // The exponent is the position of the highest set bit above bit 7.
    int exponent = 7;
    for (int mask = 0x4000; (value & mask) == 0 && exponent > 0; mask >>= 1)
        --exponent;
    const int mantissa = (value >> (exponent + 3)) & 0x0F;
    return static_cast<std::uint8_t>(~(sign | (exponent << 4) | mantissa));
}

}  // namespace parlino
