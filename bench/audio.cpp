// The emulated wave device's pacing as a playback thread sees it, and the cost of turning
// one captured buffer into linear samples.
//
//   bench_audio --benchmark_filter=Pacing     a minute of buffers (runs 60 s)
#include "common/AudioHelpers.h"
#include "platform/audio/WaveAudio.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace parlino {
namespace {

constexpr std::uint32_t BufferBytes = 960;
constexpr double BufferMs = 120.0;

// Keeps two buffers queued on an emulated playback device, as the playback thread does,
// and notes when each one is seen finished against when it was due.
void BM_EmulatedDevicePacing(benchmark::State& state)
{
    const auto buffers = static_cast<int>(state.range(0));
    for (auto _ : state) {
        WaveAudio audio(std::string("null"));
        AutoResetEvent event;
        std::string error;
        auto out = audio.openWaveOut(MuLawVoiceFormat(), event, error);
        if (!out)
            throw std::runtime_error(error);
        std::vector<std::uint8_t> memory[2] = {std::vector<std::uint8_t>(BufferBytes, 0xFF),
                                               std::vector<std::uint8_t>(BufferBytes, 0xFF)};
        WaveHeader headers[2];
        for (int i = 0; i < 2; ++i) {
            headers[i].data = memory[i].data();
            headers[i].bufferLength = BufferBytes;
            out->prepareHeader(headers[i]);
        }
        const Clock::TimePoint start = MonotonicClock().now();
        out->write(headers[0]);
        out->write(headers[1]);

        double worstLatenessMs = 0;
        Clock::TimePoint last = start;
        for (int finished = 0; finished < buffers;) {
            if (event.wait(1000) != AutoResetEvent::WaitResult::Signalled)
                throw std::runtime_error("the device stopped finishing buffers");
            WaveHeader& next = headers[finished % 2];
            if (!next.done())
                continue;
            last = MonotonicClock().now();
            ++finished;
            const double dueMs = finished * BufferMs;
            const double atMs = std::chrono::duration<double, std::milli>(last - start).count();
            worstLatenessMs = std::max(worstLatenessMs, atMs - dueMs);
            if (atMs < dueMs - 0.001)
                state.counters["early"] += 1;
            out->write(next);
        }
        state.counters["mean_period_ms"] =
            std::chrono::duration<double, std::milli>(last - start).count() / buffers;
        state.counters["worst_lateness_ms"] = worstLatenessMs;
    }
}
BENCHMARK(BM_EmulatedDevicePacing)
    ->Arg(500)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

void BM_ConvertAudio960(benchmark::State& state)
{
    std::vector<std::uint8_t> captured(BufferBytes);
    for (std::size_t i = 0; i < captured.size(); ++i)
        captured[i] = static_cast<std::uint8_t>(i * 13);
    for (auto _ : state) {
        std::uint32_t length = 0;
        std::unique_ptr<std::uint8_t[]> linear;
        ConvertAudio(MuLawVoiceFormat(), captured.data(), BufferBytes, length, linear,
                     LinearVoiceFormat());
        benchmark::DoNotOptimize(linear.get());
    }
    state.SetBytesProcessed(state.iterations() * BufferBytes);
}
BENCHMARK(BM_ConvertAudio960);

void BM_SignalLevel960(benchmark::State& state)
{
    std::vector<std::int16_t> samples(BufferBytes);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>((i * 977) % 20000 - 10000);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            SignalLevel(samples.data(), static_cast<std::int32_t>(samples.size())));
}
BENCHMARK(BM_SignalLevel960);

}  // namespace
}  // namespace parlino

BENCHMARK_MAIN();
