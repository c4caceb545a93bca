// Writes mu-law, mono, 8000 Hz sound to a WAVE file.
//
// An existing file of exactly that layout (as this writer leaves it) is continued, so that
// every device opened on the same name over a run adds to one recording; any other file is
// replaced. The header is brought up to date after every append, so the file is whole
// whenever no append is under way.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

namespace parlino {

class WaveFileWriter {
public:
    // Opens or creates `path`; on failure returns null and says why in `error`.
    static std::unique_ptr<WaveFileWriter> open(const std::string& path, std::string& error);
    ~WaveFileWriter();
    WaveFileWriter(const WaveFileWriter&) = delete;
    WaveFileWriter& operator=(const WaveFileWriter&) = delete;

    // Appends mu-law bytes; false when the file cannot take them.
    bool append(std::span<const std::uint8_t> muLaw);
    std::uint32_t dataBytes() const { return dataBytes_; }

private:
    WaveFileWriter(std::FILE* file, std::uint32_t dataBytes) : file_(file), dataBytes_(dataBytes) {}
    bool writeHeader();

    std::FILE* file_;
    std::uint32_t dataBytes_;
};

}  // namespace parlino
