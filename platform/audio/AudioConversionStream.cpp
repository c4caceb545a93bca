#include "platform/audio/AudioConversionStream.h"

#include "platform/audio/G711.h"

#include <cstring>

namespace parlino {

bool AudioConversionStream::open(const WaveFormat& source, const WaveFormat& destination)
{
    direction_ = Direction::Closed;
    if (!IsConsistentWaveFormat(source) || !IsConsistentWaveFormat(destination) ||
        source.extraSize != 0 || destination.extraSize != 0 ||
        source.channels != destination.channels ||
        source.samplesPerSecond != destination.samplesPerSecond)
        return false;
    const auto isLinear16 = [](const WaveFormat& f) {
        return f.formatTag == WaveFormatPcm && f.bitsPerSample == 16;
    };
    if (source.formatTag == WaveFormatMuLaw && isLinear16(destination))
        direction_ = Direction::MuLawToLinear;
    else if (isLinear16(source) && destination.formatTag == WaveFormatMuLaw)
        direction_ = Direction::LinearToMuLaw;
    else
        return false;
    sourceBlock_ = source.blockAlign;
    return true;
}

bool AudioConversionStream::destinationSizeFor(std::uint32_t sourceLength,
                                               std::uint32_t& destinationLength) const
{
    switch (direction_) {
    case Direction::MuLawToLinear:
        if (sourceLength > UINT32_MAX / 2)
            return false;
        destinationLength = sourceLength * 2;
        return true;
    case Direction::LinearToMuLaw: destinationLength = sourceLength / 2; return true;
    case Direction::Closed: break;
    }
    return false;
}

bool AudioConversionStream::prepare(ConversionHeader& header) const
{
    if (!isOpen() || header.source == nullptr || header.destination == nullptr ||
        header.sourceLength == 0 || header.sourceLength % sourceBlock_ != 0)
        return false;
    header.prepared = true;
    return true;
}

bool AudioConversionStream::convert(ConversionHeader& header) const
{
    std::uint32_t needed = 0;
    if (!header.prepared || !destinationSizeFor(header.sourceLength, needed) ||
        header.destinationLength < needed)
        return false;
    if (direction_ == Direction::MuLawToLinear) {
        for (std::uint32_t i = 0; i < header.sourceLength; ++i) {
            const std::int16_t sample = MuLawToLinear(header.source[i]);
            std::memcpy(header.destination + 2 * i, &sample, 2);
        }
    } else {
        for (std::uint32_t i = 0; i < needed; ++i) {
            std::int16_t sample;
            std::memcpy(&sample, header.source + 2 * i, 2);
            header.destination[i] = LinearToMuLaw(sample);
        }
    }
    header.destinationLengthUsed = needed;
    return true;
}

}  // namespace parlino
