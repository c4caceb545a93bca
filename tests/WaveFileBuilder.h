// Builds WAVE files chunk by chunk for tests, including malformed ones.
#pragma once

#include "platform/audio/WaveFormat.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace parlino::test {

class WaveFileBuilder {
public:
    using Bytes = std::vector<std::uint8_t>;

    static Bytes FormatRecord(const WaveFormat& f)
    {
        Bytes r;
        Put(r, f.formatTag, 2);
        Put(r, f.channels, 2);
        Put(r, f.samplesPerSecond, 4);
        Put(r, f.averageBytesPerSecond, 4);
        Put(r, f.blockAlign, 2);
        Put(r, f.bitsPerSample, 2);
        return r;
    }

    // A chunk with `declaredSize` (by default the real one) and a pad byte when odd.
    WaveFileBuilder& chunk(std::string_view id, const Bytes& contents,
                           std::int64_t declaredSize = -1)
    {
        body_.insert(body_.end(), id.begin(), id.end());
        Put(body_, static_cast<std::uint32_t>(declaredSize < 0 ? contents.size() : declaredSize),
            4);
        body_.insert(body_.end(), contents.begin(), contents.end());
        if (contents.size() % 2 && declaredSize < 0)
            body_.push_back(0);
        return *this;
    }
    WaveFileBuilder& fmt(const WaveFormat& format = MuLawVoiceFormat())
    {
        return chunk("fmt ", FormatRecord(format));
    }
    WaveFileBuilder& data(const Bytes& samples) { return chunk("data", samples); }
    WaveFileBuilder& raw(const Bytes& bytes)
    {
        body_.insert(body_.end(), bytes.begin(), bytes.end());
        return *this;
    }

    // RIFF header with `form` around everything added.
    Bytes build(std::string_view riff = "RIFF", std::string_view form = "WAVE") const
    {
        Bytes file(riff.begin(), riff.end());
        Put(file, static_cast<std::uint32_t>(body_.size() + 4), 4);
        file.insert(file.end(), form.begin(), form.end());
        file.insert(file.end(), body_.begin(), body_.end());
        return file;
    }

    static void Save(const std::string& path, const Bytes& bytes)
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    static Bytes Load(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

    // 0, 1, 2, ... 255, 0, 1, ... : every buffer of a capture shows where it came from.
    static Bytes Ramp(std::size_t count)
    {
        Bytes b(count);
        for (std::size_t i = 0; i < count; ++i)
            b[i] = static_cast<std::uint8_t>(i);
        return b;
    }

private:
    static void Put(Bytes& out, std::uint32_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }

    Bytes body_;
};

}  // namespace parlino::test
