// Audio helpers of the softphone: one-shot format conversion, the microphone level of a
// block of samples, and reading the sound data of a WAVE file.
#pragma once

#include "platform/audio/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace parlino {

// Raised by ConvertAudio with "Can't convert data" or "Can't prepare stream header".
class AudioConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Converts SrcLength bytes at Src from SrcFormat to DstFormat in one piece. Dst receives a new
// buffer as soon as it is allocated (so the caller owns it also when an error follows) and
// DstLength the bytes of it that were used. 960 mu-law bytes give 1920 bytes of 16-bit
// samples. Raises AudioConversionError.
void ConvertAudio(const WaveFormat& SrcFormat, const std::uint8_t* Src, std::uint32_t SrcLength,
                  std::uint32_t& DstLength, std::unique_ptr<std::uint8_t[]>& Dst,
                  const WaveFormat& DstFormat);

// 20 plus the number of halvings that bring X down to at most 0x100000 (X compared signed).
std::int32_t LevelBits(std::int32_t X);

// The level 0 to 5 of Count 16-bit samples, each level a factor of 4 in mean square.
// A block without samples (Count 0 or less) is silence: level 0.
std::int32_t SignalLevel(const std::int16_t* Samples, std::int32_t Count);

// Reads the first Count bytes of the "data" chunk (the one after "fmt ") of the WAVE file
// FileName into Dest. The read may run on past the chunk's declared end, but not past the
// file's. True only when all Count bytes were read; false for a missing, foreign or short
// file, an empty data chunk or a negative Count. Never raises.
bool ReadWaveData(const std::string& FileName, void* Dest, std::int32_t Count);

}  // namespace parlino
