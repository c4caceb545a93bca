// One-shot conversion of audio between wave formats: open a stream for a pair of formats,
// ask it how many destination bytes a source needs, prepare a header naming both buffers,
// convert, unprepare and close.
//
// The converters: mu-law (8 bits) to 16-bit linear PCM and back, at the same rate and
// channel count. Every other pair fails to open.
#pragma once

#include "platform/audio/WaveFormat.h"

#include <cstdint>

namespace parlino {

struct ConversionHeader {
    const std::uint8_t* source = nullptr;
    std::uint32_t sourceLength = 0;
    std::uint8_t* destination = nullptr;
    std::uint32_t destinationLength = 0;
    // Set by convert(): destination bytes written.
    std::uint32_t destinationLengthUsed = 0;
    bool prepared = false;
};

class AudioConversionStream {
public:
    AudioConversionStream() = default;
    AudioConversionStream(const AudioConversionStream&) = delete;
    AudioConversionStream& operator=(const AudioConversionStream&) = delete;

    // False when no converter joins the two formats.
    bool open(const WaveFormat& source, const WaveFormat& destination);
    bool isOpen() const { return direction_ != Direction::Closed; }

    // Destination bytes that `sourceLength` source bytes convert to; false on a closed stream.
    bool destinationSizeFor(std::uint32_t sourceLength, std::uint32_t& destinationLength) const;

    // False when a buffer is missing, the source is empty or not whole samples, or the
    // stream is closed.
    bool prepare(ConversionHeader& header) const;
    // Converts the whole source in one piece; false when the header is not prepared or the
    // destination cannot hold the result.
    bool convert(ConversionHeader& header) const;
    void unprepare(ConversionHeader& header) const { header.prepared = false; }
    void close() { direction_ = Direction::Closed; }

private:
    enum class Direction { Closed, MuLawToLinear, LinearToMuLaw };
    Direction direction_ = Direction::Closed;
    std::uint32_t sourceBlock_ = 1;
};

}  // namespace parlino
