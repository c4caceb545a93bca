#include "platform/audio/WaveImage.h"

#include "platform/audio/G711.h"
#include "platform/audio/RiffReader.h"

#include <algorithm>
#include <cstring>

namespace parlino {

namespace {

std::uint16_t Le16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t Le32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
        static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool ReadImage(RiffReader& reader, WaveImage& image, std::string& error)
{
    RiffChunk wave, fmt, data;
    if (!reader.descendRiff("WAVE", wave)) {
        error = "not a RIFF WAVE file";
        return false;
    }
    if (!reader.descendChunk("fmt ", wave, fmt)) {
        error = "no \"fmt \" chunk";
        return false;
    }
    std::uint8_t record[18] = {};
    if (fmt.size < 16 || reader.read(record, std::min<std::size_t>(fmt.size, sizeof record)) < 16) {
        error = "\"fmt \" chunk cut short";
        return false;
    }
    image.format = {Le16(record),
                    Le16(record + 2),
                    Le32(record + 4),
                    Le32(record + 8),
                    Le16(record + 12),
                    Le16(record + 14),
                    fmt.size >= 18 ? Le16(record + 16) : std::uint16_t(0)};
    reader.ascend(fmt);
    if (!reader.descendChunk("data", wave, data)) {
        error = "no \"data\" chunk after the \"fmt \" chunk";
        return false;
    }
    const std::uint64_t available = reader.size() > data.dataOffset
        ? reader.size() - data.dataOffset
        : 0;
    image.data.resize(static_cast<std::size_t>(std::min<std::uint64_t>(data.size, available)));
    image.data.resize(reader.read(image.data.data(), image.data.size()));
    return true;
}

}  // namespace

bool ReadWaveImage(std::span<const std::uint8_t> bytes, WaveImage& image, std::string& error)
{
    RiffReader reader(bytes);
    return ReadImage(reader, image, error);
}

bool ReadWaveFile(const std::string& path, WaveImage& image, std::string& error)
{
    RiffReader reader(path);
    if (!reader.isOpen()) {
        error = "cannot open the file";
        return false;
    }
    return ReadImage(reader, image, error);
}

bool IsMuLawCompatible(const WaveFormat& format)
{
    return IsConsistentWaveFormat(format) && format.channels == 1 &&
        format.samplesPerSecond == 8000;
}

void ConvertToMuLaw(const WaveFormat& format, const std::uint8_t* data, std::size_t count,
                    std::vector<std::uint8_t>& muLaw)
{
    if (format.formatTag == WaveFormatMuLaw) {
        muLaw.assign(data, data + count);
    } else if (format.bitsPerSample == 16) {
        muLaw.resize(count / 2);
        for (std::size_t i = 0; i < muLaw.size(); ++i) {
            std::int16_t sample;
            std::memcpy(&sample, data + 2 * i, 2);
            muLaw[i] = LinearToMuLaw(sample);
        }
    } else {
        // 8-bit linear PCM is unsigned, centred on 128.
        muLaw.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            muLaw[i] = LinearToMuLaw(static_cast<std::int16_t>((data[i] - 128) * 256));
    }
}

void ConvertFromMuLaw(const WaveFormat& format, const std::uint8_t* muLaw, std::uint8_t* data,
                      std::size_t count)
{
    if (count == 0)
        return;
    if (format.formatTag == WaveFormatMuLaw) {
        std::memcpy(data, muLaw, count);
    } else if (format.bitsPerSample == 16) {
        for (std::size_t i = 0; i < count / 2; ++i) {
            const std::int16_t sample = MuLawToLinear(muLaw[i]);
            std::memcpy(data + 2 * i, &sample, 2);
        }
    } else {
        for (std::size_t i = 0; i < count; ++i)
            data[i] = static_cast<std::uint8_t>((MuLawToLinear(muLaw[i]) >> 8) + 128);
    }
}

}  // namespace parlino
