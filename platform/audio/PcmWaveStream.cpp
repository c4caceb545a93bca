#include "platform/audio/PcmWaveStream.h"

#include "platform/audio/WaveImage.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace parlino {

namespace {

// Time the device thread waits for the device in one go, so that an interrupt is seen soon.
constexpr int PollMs = 20;

}  // namespace

PcmWaveStream::PcmWaveStream(std::unique_ptr<PcmDevice> pcm, std::string deviceName, bool capture,
                             const WaveFormat& format, bool convertMuLaw)
    : pcm_(std::move(pcm)), deviceName_(std::move(deviceName)), capture_(capture), format_(format),
      convertMuLaw_(convertMuLaw)
{
}

std::size_t PcmWaveStream::transfer(std::uint8_t* data, std::size_t count,
                                    const std::atomic<bool>& interrupt)
{
    const std::size_t frameBytes = format_.blockAlign;
    const std::size_t deviceFrameBytes = convertMuLaw_ ? 2 * format_.channels : frameBytes;
    const auto frames = static_cast<unsigned long>(count / frameBytes);
    std::vector<std::uint8_t> linear;
    std::uint8_t* deviceData = data;
    if (convertMuLaw_) {
        linear.resize(frames * deviceFrameBytes);
        if (!capture_)
            ConvertFromMuLaw(linearFormat(), data, linear.data(), linear.size());
        deviceData = linear.data();
    }
    if (!capture_)
        leadWithSilence(deviceFrameBytes);
    unsigned long done = 0;
    while (done < frames && !interrupt) {
        std::uint8_t* at = deviceData + done * deviceFrameBytes;
        const long n = capture_ ? pcm_->readFrames(at, frames - done)
                                : pcm_->writeFrames(at, frames - done);
        if (n > 0) {
            done += static_cast<unsigned long>(n);
        } else if (n == 0 || n == -EAGAIN) {
            pcm_->wait(PollMs);
        } else if (!recover(static_cast<int>(n))) {
            std::this_thread::sleep_for(std::chrono::milliseconds(PollMs));
        } else if (!capture_) {
            leadWithSilence(deviceFrameBytes);
        }
    }
    if (convertMuLaw_ && capture_) {
        std::vector<std::uint8_t> muLaw;
        ConvertToMuLaw(linearFormat(), linear.data(), done * deviceFrameBytes, muLaw);
        std::copy(muLaw.begin(), muLaw.end(), data);
    }
    if (!capture_ && done == frames)
        waitUntilHeard(interrupt);
    return done * frameBytes;
}

void PcmWaveStream::leadWithSilence(std::size_t deviceFrameBytes)
{
    if (pcm_->state() != PcmDevice::State::Prepared)
        return;  // running: its buffer already holds the period ahead
    // Linear sound's silence is 0, but 128 in 8 bits (unsigned); mu-law's is 0xFF.
    const bool muLaw = !convertMuLaw_ && format_.formatTag == WaveFormatMuLaw;
    const bool unsigned8 = !convertMuLaw_ && !muLaw && format_.bitsPerSample == 8;
    const std::uint8_t silence = muLaw ? 0xFF : unsigned8 ? 0x80 : 0x00;
    const unsigned long frames = pcm_->periodFrames();
    const std::vector<std::uint8_t> period(frames * deviceFrameBytes, silence);
    // An empty device has room for it: the buffer holds more than one period.
    const long n = pcm_->writeFrames(period.data(), frames);
    if (n < 0)
        report("write", static_cast<int>(n));
}

void PcmWaveStream::waitUntilHeard(const std::atomic<bool>& interrupt)
{
    const long left = static_cast<long>(pcm_->periodFrames());
    // A device that starts only once more than this is queued would never play it.
    if (pcm_->state() == PcmDevice::State::Prepared)
        report("start", pcm_->start());
    while (!interrupt) {
        long queued = 0;
        if (pcm_->queued(queued) < 0 || queued <= left)
            return;  // heard; a device that ran dry has played everything
        const long ms = (queued - left) * 1000 / static_cast<long>(format_.samplesPerSecond);
        std::this_thread::sleep_for(std::chrono::milliseconds(std::clamp<long>(ms, 1, PollMs)));
    }
}

void PcmWaveStream::restart()
{
    const PcmDevice::State state = pcm_->state();
    if (state != PcmDevice::State::Prepared && state != PcmDevice::State::Running)
        report("prepare", pcm_->prepare());
    if (capture_ && pcm_->state() == PcmDevice::State::Prepared)
        report("start", pcm_->start());
}

void PcmWaveStream::drop()
{
    report("stop", pcm_->drop());
}

WaveFormat PcmWaveStream::linearFormat() const
{
    const std::uint16_t block = static_cast<std::uint16_t>(2 * format_.channels);
    return {WaveFormatPcm,
            format_.channels,
            format_.samplesPerSecond,
            block * format_.samplesPerSecond,
            block,
            16,
            0};
}

// After an overrun, underrun or suspension: gets the device going again.
bool PcmWaveStream::recover(int error)
{
    const int result = pcm_->recover(error);
    if (result < 0) {
        report(capture_ ? "read" : "write", result);
        return false;
    }
    if (capture_ && pcm_->state() == PcmDevice::State::Prepared)
        pcm_->start();
    return true;
}

void PcmWaveStream::report(const char* what, int result)
{
    if (result < 0)
        std::fprintf(stderr, "ALSA device \"%s\": %s failed: %s\n", deviceName_.c_str(), what,
                     pcm_->errorText(result).c_str());
}

}  // namespace parlino
