// Cost of building and parsing one voice datagram, the codec's hottest path.
#include "common/MessageFraming.h"

#include <benchmark/benchmark.h>

namespace parlino {
namespace {

void BM_PackVoicePacket(benchmark::State& state)
{
    VoicePacket packet{42, Int8Samples(SamplesPerPacket, 0x55), 12.5};
    for (auto _ : state) {
        ByteString bytes = PackVoicePacket(packet);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(VoicePacketSize));
}
BENCHMARK(BM_PackVoicePacket);

void BM_UnpackVoicePacket(benchmark::State& state)
{
    const ByteString wire = PackVoicePacket({42, Int8Samples(SamplesPerPacket, 0x55), 12.5});
    ByteString buffer;
    for (auto _ : state) {
        buffer = wire;
        DrainVoicePackets(buffer, [](VoicePacket&& p) { benchmark::DoNotOptimize(p.Sequence); });
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(VoicePacketSize));
}
BENCHMARK(BM_UnpackVoicePacket);

}  // namespace
}  // namespace parlino

BENCHMARK_MAIN();
