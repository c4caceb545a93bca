#include "platform/audio/WaveFileWriter.h"

#include "platform/audio/WaveFormat.h"
#include "platform/audio/WaveImage.h"

#include <cerrno>
#include <cstring>

namespace parlino {

namespace {

// RIFF header, "fmt " chunk of 18 bytes (the record with its extra-size field) and the
// "data" chunk header.
constexpr long HeaderSize = 12 + 8 + 18 + 8;

void PutLe(std::uint8_t* p, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Whether `path` holds a file this writer made: our header and nothing after the data.
bool IsOurLayout(const std::string& path, std::uint32_t& dataBytes)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::uint8_t header[HeaderSize];
    const bool whole = std::fread(header, 1, HeaderSize, file) == HeaderSize;
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fclose(file);
    WaveImage image;
    std::string error;
    if (!whole || !ReadWaveImage(std::span<const std::uint8_t>(header, HeaderSize), image, error))
        return false;
    std::uint32_t declared;
    std::memcpy(&declared, header + HeaderSize - 4, 4);
    dataBytes = declared;
    return image.format == MuLawVoiceFormat() &&
        std::memcmp(header + HeaderSize - 8, "data", 4) == 0 &&
        size == HeaderSize + static_cast<long>(declared);
}

}  // namespace

std::unique_ptr<WaveFileWriter> WaveFileWriter::open(const std::string& path, std::string& error)
{
    std::uint32_t dataBytes = 0;
    const bool resume = IsOurLayout(path, dataBytes);
    std::FILE* file = std::fopen(path.c_str(), resume ? "r+b" : "w+b");
    if (!file) {
        error = std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<WaveFileWriter> writer(new WaveFileWriter(file, resume ? dataBytes : 0));
    if (!writer->writeHeader()) {
        error = "cannot write the WAVE header";
        return nullptr;
    }
    return writer;
}

WaveFileWriter::~WaveFileWriter()
{
    std::fclose(file_);
}

bool WaveFileWriter::writeHeader()
{
    const WaveFormat f = MuLawVoiceFormat();
    std::uint8_t h[HeaderSize];
    std::memcpy(h, "RIFF", 4);
    PutLe(h + 4, static_cast<std::uint32_t>(HeaderSize - 8) + dataBytes_, 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    PutLe(h + 16, 18, 4);
    PutLe(h + 20, f.formatTag, 2);
    PutLe(h + 22, f.channels, 2);
    PutLe(h + 24, f.samplesPerSecond, 4);
    PutLe(h + 28, f.averageBytesPerSecond, 4);
    PutLe(h + 32, f.blockAlign, 2);
    PutLe(h + 34, f.bitsPerSample, 2);
    PutLe(h + 36, 0, 2);
    std::memcpy(h + 38, "data", 4);
    PutLe(h + 42, dataBytes_, 4);
    return std::fseek(file_, 0, SEEK_SET) == 0 &&
        std::fwrite(h, 1, HeaderSize, file_) == HeaderSize && std::fflush(file_) == 0;
}

bool WaveFileWriter::append(std::span<const std::uint8_t> muLaw)
{
    if (muLaw.empty())
        return true;
    if (muLaw.size() > std::uint64_t{UINT32_MAX} - HeaderSize - dataBytes_)
        return false;
    if (std::fseek(file_, HeaderSize + static_cast<long>(dataBytes_), SEEK_SET) != 0 ||
        std::fwrite(muLaw.data(), 1, muLaw.size(), file_) != muLaw.size())
        return false;
    dataBytes_ += static_cast<std::uint32_t>(muLaw.size());
    return writeHeader();
}

}  // namespace parlino
