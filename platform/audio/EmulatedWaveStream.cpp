#include "platform/audio/EmulatedWaveStream.h"

#include "platform/audio/WaveImage.h"

#include <algorithm>
#include <cstdio>

namespace parlino {

EmulatedWaveStream::EmulatedWaveStream(Clock& clock, const WaveFormat& format, int stallAfter)
    : clock_(clock), format_(format), stallAfter_(stallAfter)
{
}

std::unique_ptr<EmulatedWaveStream> EmulatedWaveStream::capture(Clock& clock,
                                                                const WaveFormat& format,
                                                                std::vector<std::uint8_t> source,
                                                                int stallAfter)
{
    std::unique_ptr<EmulatedWaveStream> stream(new EmulatedWaveStream(clock, format, stallAfter));
    stream->capture_ = true;
    stream->source_ = std::move(source);
    return stream;
}

std::unique_ptr<EmulatedWaveStream> EmulatedWaveStream::playback(
    Clock& clock, const WaveFormat& format, std::unique_ptr<WaveFileWriter> sink, int stallAfter)
{
    std::unique_ptr<EmulatedWaveStream> stream(new EmulatedWaveStream(clock, format, stallAfter));
    stream->sink_ = std::move(sink);
    return stream;
}

Clock::Duration EmulatedWaveStream::durationOf(std::uint64_t bytes) const
{
    // Split so that the product cannot overflow however long the stream runs.
    const std::uint64_t rate = format_.averageBytesPerSecond;
    return Clock::Duration(static_cast<std::int64_t>(bytes / rate * 1'000'000'000ULL +
                                                     bytes % rate * 1'000'000'000ULL / rate));
}

std::uint64_t EmulatedWaveStream::bytesIn(Clock::Duration duration) const
{
    if (duration.count() <= 0)
        return 0;
    const auto ns = static_cast<std::uint64_t>(duration.count());
    const std::uint64_t rate = format_.averageBytesPerSecond;
    const std::uint64_t bytes = ns / 1'000'000'000ULL * rate +
        ns % 1'000'000'000ULL * rate / 1'000'000'000ULL;
    return bytes - bytes % format_.blockAlign;
}

std::size_t EmulatedWaveStream::transfer(std::uint8_t* data, std::size_t count,
                                         const std::atomic<bool>& interrupt)
{
    std::size_t done = count;
    {
        std::unique_lock lock(mutex_);
        if (!anchored_) {
            base_ = clock_.now();
            consumed_ = 0;
            anchored_ = true;
        }
        const Clock::TimePoint start = base_ + durationOf(consumed_);
        const auto interrupted = [&interrupt] { return interrupt.load(); };
        if (stallAfter_ >= 0 && finished_ >= stallAfter_) {
            while (!clock_.waitUntil(lock, changed_, clock_.now() + std::chrono::hours(1),
                                     interrupted)) {}
        } else {
            clock_.waitUntil(lock, changed_, base_ + durationOf(consumed_ + count), interrupted);
        }
        if (interrupt)
            done = static_cast<std::size_t>(
                std::min<std::uint64_t>(count, bytesIn(clock_.now() - start)));
        consumed_ += done;
        if (done == count)
            ++finished_;
    }
    if (capture_)
        capturePart(data, done);
    else
        playPart(data, done);
    return done;
}

void EmulatedWaveStream::restart()
{
    // Anchored here, on the caller's thread, so the timing counts from the start() or
    // write() that began it.
    std::lock_guard lock(mutex_);
    base_ = clock_.now();
    consumed_ = 0;
    anchored_ = true;
}

void EmulatedWaveStream::wakeUp()
{
    std::lock_guard lock(mutex_);
    changed_.notify_all();
}

void EmulatedWaveStream::capturePart(std::uint8_t* data, std::size_t count)
{
    const std::size_t samples = count / format_.blockAlign;
    std::vector<std::uint8_t> muLaw(samples, 0xFF);  // 0xFF: mu-law silence
    if (!source_.empty()) {
        for (std::uint8_t& code : muLaw) {
            code = source_[sourcePosition_];
            sourcePosition_ = (sourcePosition_ + 1) % source_.size();
        }
    }
    ConvertFromMuLaw(format_, muLaw.data(), data, samples * format_.blockAlign);
}

void EmulatedWaveStream::playPart(const std::uint8_t* data, std::size_t count)
{
    if (!sink_ || count == 0)
        return;
    std::vector<std::uint8_t> muLaw;
    ConvertToMuLaw(format_, data, count, muLaw);
    if (!sink_->append(muLaw))
        std::fprintf(stderr, "Emulated playback: cannot write the recording\n");
}

}  // namespace parlino
