// The wave format record that the audio devices and the format conversion take.
#pragma once

#include <cstdint>

namespace parlino {

inline constexpr std::uint16_t WaveFormatPcm = 1;
inline constexpr std::uint16_t WaveFormatMuLaw = 7;

struct WaveFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSecond = 0;
    std::uint32_t averageBytesPerSecond = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;

    friend bool operator==(const WaveFormat&, const WaveFormat&) = default;
};

// The voice format: mu-law, mono, 8000 samples per second, 8 bits per sample.
constexpr WaveFormat MuLawVoiceFormat()
{
    return {WaveFormatMuLaw, 1, 8000, 8000, 1, 8, 0};
}

// 16-bit linear PCM, mono, 8000 samples per second.
constexpr WaveFormat LinearVoiceFormat()
{
    return {WaveFormatPcm, 1, 8000, 16000, 2, 16, 0};
}

// Whether the record describes mu-law (8 bits) or linear PCM (8 or 16 bits) whose block
// alignment and byte rate agree with its channels, rate and sample size.
bool IsConsistentWaveFormat(const WaveFormat& format);

}  // namespace parlino
