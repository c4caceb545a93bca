// A whole WAVE sound: its format record and its sample data.
#pragma once

#include "platform/audio/WaveFormat.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace parlino {

struct WaveImage {
    WaveFormat format;
    std::vector<std::uint8_t> data;  // the "data" chunk's contents, as far as the file holds them
};

// Reads the WAVE sound in `bytes` or in the file `path`. On failure returns false and says
// why in `error` ("no RIFF WAVE chunk", "no fmt chunk", ...).
bool ReadWaveImage(std::span<const std::uint8_t> bytes, WaveImage& image, std::string& error);
bool ReadWaveFile(const std::string& path, WaveImage& image, std::string& error);

// Whether sound of `format` can be turned into mu-law sample for sample: 8000 Hz mono
// mu-law, or 8- or 16-bit linear PCM.
bool IsMuLawCompatible(const WaveFormat& format);

// Sound of a mu-law compatible `format` as mu-law bytes, and back. `count` is in bytes of
// `format`; ConvertFromMuLaw() writes count bytes from count / blockAlign mu-law bytes.
void ConvertToMuLaw(const WaveFormat& format, const std::uint8_t* data, std::size_t count,
                    std::vector<std::uint8_t>& muLaw);
void ConvertFromMuLaw(const WaveFormat& format, const std::uint8_t* muLaw, std::uint8_t* data,
                      std::size_t count);

}  // namespace parlino
