// Mouth-to-ear delay of a talk: two softphones with emulated devices talk through the
// server's relay on loopback, directly or each behind a path that loses 5 % of the
// datagrams and delays the rest by 0 to 80 ms. A packet of the captured sweep is the marker:
// it enters A's capture when A's device starts recording it and leaves B's playback when
// B's device starts playing it. B starts its voice phase_ms after A: the two sound cards
// keep that phase for long, and where the relay's transit makes arrivals straddle the
// listener's playback refill, packets are played twice and skipped. B plays on the emulated
// device, or (alsa:1) on the ALSA stream over a stand-in PCM that plays at a sound card's
// pace, the ALSA device's own buffer included (and the period of silence the stream leads
// with, which counts in the delay).
//
//   bench_voice_delay --benchmark_filter=seconds:60     both paths, and the direct one on ALSA,
//                                                       60 s of talk each
//   bench_voice_delay --benchmark_filter=lossy:0/seconds:60   the direct path on both devices
//   bench_voice_delay --benchmark_filter=seconds:20/.*alsa:0   the direct path at every phase
//                                                       over one packet period, 20 s each
//                                                       (8 minutes); alsa:1 the same on ALSA
#include "PacedPcm.h"
#include "VoiceLink.h"
#include "VoiceSessionTestAccess.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>
#include <vector>

namespace parlino {
namespace {

using Steady = std::chrono::steady_clock;
constexpr double PacketMs = 120.0;
constexpr unsigned long AlsaPeriodFrames = 160;  // 20 ms

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

// Puts B's voice on the ALSA stream over stand-in devices configured as ALSA's are (a 120 ms
// buffer moved in 20 ms periods); B's playback records into `playedPath`.
void PlayOnPacedAlsa(test::LinkSide& b, const std::string& playedPath, std::atomic<int>& underruns)
{
    b.rig.session.reset();
    b.rig.audio = std::make_unique<WaveAudio>("alsa:stand-in", MonotonicClock());
    b.rig.audio->setPcmOpener([playedPath, &underruns](const std::string&, bool capture) {
        std::unique_ptr<WaveFileWriter> sink;
        std::string error;
        if (!capture && !(sink = WaveFileWriter::open(playedPath, error)))
            throw std::runtime_error(error);
        return std::make_unique<bench::PacedPcm>(capture, 8000, 960, AlsaPeriodFrames,
                                                 std::move(sink), underruns);
    });
    b.rig.session = std::make_unique<VoiceSession>(b.rig.shared, *b.rig.audio);
}

void BM_MouthToEar(benchmark::State& state)
{
    const bool lossy = state.range(0) != 0;
    const auto seconds = static_cast<int>(state.range(1));
    const auto phase = std::chrono::milliseconds(state.range(2));
    const bool alsa = state.range(3) != 0;
    const test::WaveFileBuilder::Bytes sweepA = test::SweepSignal(40, 0.0);
    const test::WaveFileBuilder::Bytes sweepB = test::SweepSignal(30, 1.0);
    test::WaveFileBuilder::Save("voice-a.wav", test::WaveFileBuilder().fmt().data(sweepA).build());
    test::WaveFileBuilder::Save("voice-b.wav", test::WaveFileBuilder().fmt().data(sweepB).build());

    std::vector<double> delays;
    double cpu = 0;
    double talkMinutes = 0;
    int repeated = 0;
    int skipped = 0;
    int gaps = 0;
    int lost = 0;
    std::atomic<int> underruns{0};
    for (auto _ : state) {
        std::remove("voice-a-played.wav");
        std::remove("voice-b-played.wav");
        Steady::time_point captureStartA;
        Steady::time_point playbackStartB;
        const double cpuBefore = processCpuSeconds();
        {
            test::VoiceLink link("voice-a.wav", "voice-a-played.wav", "voice-b.wav",
                                 "voice-b-played.wav",
                                 lossy ? test::VoiceLink::Path{0.05, 80} : test::VoiceLink::Path{},
                                 &MonotonicClock());
            if (alsa)
                PlayOnPacedAlsa(link.b, "voice-b-played.wav", underruns);
            const std::int64_t base = QueryCounter();
            link.a.rig.setTalk(false, base);
            link.b.rig.setTalk(false, base);
            // A's capture starts at the end of its StartVoice, B's playback inside its own.
            link.a.rig.session->StartVoice();
            captureStartA = Steady::now();
            while (Steady::now() < captureStartA + phase) {
                MainThreadCalls::ServePending();
                std::this_thread::sleep_until(
                    std::min(captureStartA + phase, Steady::now() + std::chrono::milliseconds(1)));
            }
            const Steady::time_point beforeB = Steady::now();
            link.b.rig.session->StartVoice();
            playbackStartB = beforeB + (Steady::now() - beforeB) / 2;

            const Steady::time_point end = Steady::now() + std::chrono::seconds(seconds);
            while (Steady::now() < end) {
                MainThreadCalls::ServePending();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            link.stop();
            if (lossy)
                lost += link.a.toServer->dropped() + link.b.fromServer->dropped();
        }
        cpu += processCpuSeconds() - cpuBefore;
        talkMinutes += seconds / 60.0;

        // On ALSA the packets follow one period of silence (one mu-law byte per frame).
        const std::size_t leadBytes = alsa ? AlsaPeriodFrames : 0;
        const test::PlayedPackets played = test::ReadPlayed("voice-b-played.wav", sweepA,
                                                            leadBytes);
        if (played.firstVoice < 0)
            throw std::runtime_error("B played nothing of A's voice");
        const double offsetMs =
            std::chrono::duration<double, std::milli>(playbackStartB - captureStartA).count() +
            static_cast<double>(leadBytes) * 1000.0 / 8000.0;
        for (std::size_t j = static_cast<std::size_t>(played.firstVoice); j < played.packets.size(); ++j) {
            if (played.packets[j] < 0)
                continue;
            delays.push_back(offsetMs + (static_cast<double>(j) - static_cast<double>(played.packets[j])) * PacketMs);
        }
        repeated += played.repeated;
        skipped += played.skipped + played.backwards;
        gaps += played.gaps;
    }
    state.counters["median_ms"] = percentile(delays, 0.5);
    state.counters["p95_ms"] = percentile(delays, 0.95);
    state.counters["min_ms"] = percentile(delays, 0.0);
    state.counters["max_ms"] = percentile(delays, 1.0);
    state.counters["packets"] = static_cast<double>(delays.size());
    state.counters["repeated"] = repeated;
    state.counters["skipped"] = skipped;
    state.counters["gaps"] = gaps;
    state.counters["lost"] = lost;
    state.counters["device_underruns"] = underruns.load();
    // Both softphones, the relay and (on the lossy path) the four proxies share the process.
    state.counters["cpu_s_per_talk_min_all"] = talkMinutes > 0 ? cpu / talkMinutes : 0;
}
BENCHMARK(BM_MouthToEar)
    ->ArgsProduct({{0, 1}, {60}, {0}, {0}})
    ->ArgsProduct({{0}, {60}, {0}, {1}})
    ->ArgsProduct({{0}, {20}, benchmark::CreateDenseRange(0, 115, 5), {0, 1}})
    ->ArgNames({"lossy", "seconds", "phase_ms", "alsa"})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
}  // namespace parlino

BENCHMARK_MAIN();
