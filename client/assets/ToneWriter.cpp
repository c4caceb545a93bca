#include "client/assets/ToneWriter.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <stdexcept>

namespace parlino::assets {

namespace {
constexpr int SampleRate = 8000;
constexpr double Level = 0.25 * 32767.0;  // per component: two together peak at half scale
constexpr int FadeSamples = 40;           // 5 ms in and out, so the tone starts without a click

int SamplesFor(double seconds)
{
    return static_cast<int>(std::lround(seconds * SampleRate));
}

// Appends `seconds` of the sum of the given frequencies; `frequencyAt` may change them
// over time (the ringer's warble).
template <typename Frequencies>
void AppendTone(Samples& out, double seconds, Frequencies frequencyAt)
{
    const int count = SamplesFor(seconds);
    std::vector<double> phases;
    for (int i = 0; i < count; ++i) {
        const std::vector<double> frequencies = frequencyAt(i);
        phases.resize(frequencies.size(), 0.0);
        double value = 0.0;
        for (std::size_t f = 0; f < frequencies.size(); ++f) {
            value += std::sin(phases[f]);
            phases[f] += 2.0 * std::numbers::pi * frequencies[f] / SampleRate;
        }
        const double fade = std::min({1.0, static_cast<double>(i) / FadeSamples,
                                      static_cast<double>(count - 1 - i) / FadeSamples});
        out.push_back(static_cast<std::int16_t>(std::lround(value * Level * fade)));
    }
}

void AppendSilence(Samples& out, double seconds)
{
    out.insert(out.end(), static_cast<std::size_t>(SamplesFor(seconds)), 0);
}

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}
}  // namespace

Samples RingerTone()
{
    Samples out;
    const auto warble = [](int i) {
        // 1000 Hz and 1250 Hz taking turns every 25 ms.
        return std::vector<double>{(i / 200) % 2 == 0 ? 1000.0 : 1250.0};
    };
    AppendTone(out, 0.4, warble);
    AppendSilence(out, 0.2);
    AppendTone(out, 0.4, warble);
    return out;
}

Samples RingBackTone()
{
    Samples out;
    AppendTone(out, 1.5, [](int) { return std::vector<double>{440.0, 480.0}; });
    return out;
}

Samples BusyTone()
{
    Samples out;
    AppendTone(out, 0.35, [](int) { return std::vector<double>{480.0, 620.0}; });
    return out;
}

Samples Silence()
{
    return Samples(static_cast<std::size_t>(2 * 960), 0);
}

std::uint8_t MuLawFromLinear(std::int16_t sample)
{
    constexpr int Bias = 0x84;
    constexpr int Clip = 32635;
    int value = sample;
    const int sign = value < 0 ? 0x80 : 0x00;
    if (value < 0)
        value = -value;
    value = std::min(value, Clip) + Bias;
    int exponent = 7;
    for (int mask = 0x4000; (value & mask) == 0 && exponent > 0; mask >>= 1)
        --exponent;
    const int mantissa = (value >> (exponent + 3)) & 0x0F;
    return static_cast<std::uint8_t>(~(sign | (exponent << 4) | mantissa));
}

void WriteMuLawWave(const std::string& path, const Samples& samples)
{
    const auto count = static_cast<std::uint32_t>(samples.size());
    std::string file = "RIFF";
    PutLittleEndian(file, 4 + (8 + 18) + (8 + 4) + (8 + count) + (count & 1), 4);
    file += "WAVEfmt ";
    PutLittleEndian(file, 18, 4);
    PutLittleEndian(file, 7, 2);     // mu-law
    PutLittleEndian(file, 1, 2);     // mono
    PutLittleEndian(file, 8000, 4);  // samples per second
    PutLittleEndian(file, 8000, 4);  // bytes per second
    PutLittleEndian(file, 1, 2);     // block alignment
    PutLittleEndian(file, 8, 2);     // bits per sample
    PutLittleEndian(file, 0, 2);     // no extra format bytes
    file += "fact";
    PutLittleEndian(file, 4, 4);
    PutLittleEndian(file, count, 4);
    file += "data";
    PutLittleEndian(file, count, 4);
    for (const std::int16_t sample : samples)
        file.push_back(static_cast<char>(MuLawFromLinear(sample)));
    if (count & 1)
        file.push_back('\0');  // chunks are padded to an even length
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

}  // namespace parlino::assets
