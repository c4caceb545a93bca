#include "client/assets/ToneWriter.h"

#include "platform/audio/G711.h"
#include "platform/audio/WaveFileWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
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

void WriteMuLawWave(const std::string& path, const Samples& samples)
{
    std::vector<std::uint8_t> muLaw;
    muLaw.reserve(samples.size());
    for (const std::int16_t sample : samples)
        muLaw.push_back(LinearToMuLaw(sample));
    std::remove(path.c_str());  // the writer would continue a recording left from before
    std::string error;
    const std::unique_ptr<WaveFileWriter> writer = WaveFileWriter::open(path, error);
    if (!writer)
        throw std::runtime_error(error);
    if (!writer->append(muLaw))
        throw std::runtime_error("cannot write " + path);
}

}  // namespace parlino::assets
