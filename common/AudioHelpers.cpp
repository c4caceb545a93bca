#include "common/AudioHelpers.h"

#include "platform/audio/AudioConversionStream.h"
#include "platform/audio/RiffReader.h"

#include <vector>

namespace parlino {

void ConvertAudio(const WaveFormat& SrcFormat, const std::uint8_t* Src, std::uint32_t SrcLength,
                  std::uint32_t& DstLength, std::unique_ptr<std::uint8_t[]>& Dst,
                  const WaveFormat& DstFormat)
{
    AudioConversionStream stream;
    if (!stream.open(SrcFormat, DstFormat))
        throw AudioConversionError("Can't convert data");
    // The stream closes itself on every path from here (it is a local object).
    DstLength = SrcLength;
    stream.destinationSizeFor(SrcLength, DstLength);
    Dst = std::make_unique_for_overwrite<std::uint8_t[]>(DstLength);

    ConversionHeader header;
    header.source = Src;
    header.sourceLength = SrcLength;
    header.destination = Dst.get();
    header.destinationLength = DstLength;
    if (!stream.prepare(header))
        throw AudioConversionError("Can't prepare stream header");
    const bool converted = stream.convert(header);
    stream.unprepare(header);
    if (!converted)
        throw AudioConversionError("Can't convert data");
    DstLength = header.destinationLengthUsed;
}

std::int32_t LevelBits(std::int32_t X)
{
    std::int32_t r = 20;
    // Shifting a negative value right keeps it negative, so it is never above the limit.
    while (X > 0x100000) {
        X >>= 1;
        ++r;
    }
    return r;
}

std::int32_t SignalLevel(const std::int16_t* Samples, std::int32_t Count)
{
    if (Count <= 0 || Samples == nullptr)
        return 0;
    std::int64_t sum = 0;
    for (std::int32_t i = 0; i < Count; ++i)
        sum += static_cast<std::int64_t>(Samples[i]) * Samples[i];
    const std::int64_t mean = sum / Count;
    const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(mean));
    return (LevelBits(low) >> 1) - 10;
}

bool ReadWaveData(const std::string& FileName, void* Dest, std::int32_t Count)
{
    if (Count < 0 || (Count > 0 && Dest == nullptr))
        return false;
    RiffReader reader(FileName);
    RiffChunk wave, fmt, data;
    if (!reader.isOpen() || !reader.descendRiff("WAVE", wave) ||
        !reader.descendChunk("fmt ", wave, fmt))
        return false;
    // The format is read whole but not examined: any sound is accepted. A size beyond the
    // file's end fails before anything is allocated for it.
    if (fmt.dataOffset + fmt.size > reader.size())
        return false;
    std::vector<std::uint8_t> scratch(fmt.size);
    if (reader.read(scratch.data(), scratch.size()) < scratch.size())
        return false;
    reader.ascend(fmt);
    if (!reader.descendChunk("data", wave, data) || data.size == 0)
        return false;
    return reader.read(Dest, static_cast<std::size_t>(Count)) == static_cast<std::size_t>(Count);
}

}  // namespace parlino
