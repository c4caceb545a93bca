// Cost of the receive loop over hostile input: runs of bytes that start no message, and
// floods of one-byte messages, per MiB of input. Both programs run this loop on their main
// thread, so its cost is time that every other connection waits.
#include "common/MessageFraming.h"

#include <benchmark/benchmark.h>

namespace parlino {
namespace {

constexpr std::size_t MiB = 1 << 20;

// Times `drain` over a fresh copy of `wire` per iteration.
template <typename Drain>
void DrainCopies(benchmark::State& state, const ByteString& wire, Drain drain)
{
    ByteString buffer;
    for (auto _ : state) {
        state.PauseTiming();
        buffer = wire;
        state.ResumeTiming();
        drain(buffer);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(wire.size()));
}

// range(0) MiB of junk, then one sign-in, all arrived in one read.
void BM_JunkBeforeMessage(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0)) * MiB;
    const ByteString login = BuildMessage(
        'P', 4, {std::int32_t{40000}, std::int32_t{101}, std::string("582047"), std::string()});
    const ByteString wire = ByteString(size, 'Q') + login;
    int handled = 0;
    DrainCopies(state, wire, [&](ByteString& buffer) {
        DrainMessages(buffer, &ServerReadFields, [&](char, const MessageValues&) {
            ++handled;
            return true;
        });
    });
    if (handled != static_cast<int>(state.iterations()))
        state.SkipWithError("the message behind the junk was not handled");
}
BENCHMARK(BM_JunkBeforeMessage)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

// range(0) MiB of balance requests, each handled by a handler that does nothing.
void BM_OneByteMessages(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0)) * MiB;
    const ByteString wire(size, 'b');
    std::size_t handled = 0;
    DrainCopies(state, wire, [&](ByteString& buffer) {
        DrainMessages(buffer, &ServerReadFields, [&](char, const MessageValues&) {
            ++handled;
            return true;
        });
    });
    if (handled != size * static_cast<std::size_t>(state.iterations()))
        state.SkipWithError("not every message was handled");
}
BENCHMARK(BM_OneByteMessages)->Arg(1)->Unit(benchmark::kMillisecond);

// range(0) MiB of voice-port junk without a packet start, then one packet.
void BM_VoiceJunk(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0)) * MiB;
    const ByteString wire = ByteString(size, 'x') + PackVoicePacket({1, Int8Samples(SamplesPerPacket, 0x55), 0.5});
    DrainCopies(state, wire, [](ByteString& buffer) {
        DrainVoicePackets(buffer, [](VoicePacket&& p) { benchmark::DoNotOptimize(p.Sequence); });
    });
}
BENCHMARK(BM_VoiceJunk)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace parlino

BENCHMARK_MAIN();
