#include "platform/audio/AlsaWaveStream.h"

#include "platform/audio/WaveImage.h"

#include <alsa/asoundlib.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace parlino {

namespace {

// Time the device thread waits for the device in one go, so that an interrupt is seen soon.
constexpr int PollMs = 20;

class AlsaWaveStream : public WaveStream {
public:
    AlsaWaveStream(snd_pcm_t* pcm, std::string deviceName, bool capture, const WaveFormat& format,
                   bool convertMuLaw)
        : pcm_(pcm), deviceName_(std::move(deviceName)), capture_(capture), format_(format),
          convertMuLaw_(convertMuLaw)
    {
    }

    ~AlsaWaveStream() override { snd_pcm_close(pcm_); }

    std::size_t transfer(std::uint8_t* data, std::size_t count,
                         const std::atomic<bool>& interrupt) override
    {
        const std::size_t frameBytes = format_.blockAlign;
        const std::size_t deviceFrameBytes = convertMuLaw_ ? 2 * format_.channels : frameBytes;
        const auto frames = static_cast<snd_pcm_uframes_t>(count / frameBytes);
        std::vector<std::uint8_t> linear;
        std::uint8_t* deviceData = data;
        if (convertMuLaw_) {
            linear.resize(frames * deviceFrameBytes);
            if (!capture_)
                ConvertFromMuLaw(linearFormat(), data, linear.data(), linear.size());
            deviceData = linear.data();
        }
        snd_pcm_uframes_t done = 0;
        while (done < frames && !interrupt) {
            std::uint8_t* at = deviceData + done * deviceFrameBytes;
            const snd_pcm_sframes_t n = capture_ ? snd_pcm_readi(pcm_, at, frames - done)
                                                 : snd_pcm_writei(pcm_, at, frames - done);
            if (n > 0) {
                done += static_cast<snd_pcm_uframes_t>(n);
            } else if (n == 0 || n == -EAGAIN) {
                snd_pcm_wait(pcm_, PollMs);
            } else if (!recover(static_cast<int>(n))) {
                std::this_thread::sleep_for(std::chrono::milliseconds(PollMs));
            }
        }
        if (convertMuLaw_ && capture_) {
            std::vector<std::uint8_t> muLaw;
            ConvertToMuLaw(linearFormat(), linear.data(), done * deviceFrameBytes, muLaw);
            std::copy(muLaw.begin(), muLaw.end(), data);
        }
        return done * frameBytes;
    }

    void restart() override
    {
        const snd_pcm_state_t state = snd_pcm_state(pcm_);
        if (state != SND_PCM_STATE_PREPARED && state != SND_PCM_STATE_RUNNING)
            report("prepare", snd_pcm_prepare(pcm_));
        if (capture_ && snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED)
            report("start", snd_pcm_start(pcm_));
    }

    void drop() override { report("stop", snd_pcm_drop(pcm_)); }

    void wakeUp() override {}

private:
    WaveFormat linearFormat() const
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
    bool recover(int error)
    {
        const int result = snd_pcm_recover(pcm_, error, 1);
        if (result < 0) {
            report(capture_ ? "read" : "write", result);
            return false;
        }
        if (capture_ && snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED)
            snd_pcm_start(pcm_);
        return true;
    }

    void report(const char* what, int result)
    {
        if (result < 0)
            std::fprintf(stderr, "ALSA device \"%s\": %s failed: %s\n", deviceName_.c_str(), what,
                         snd_strerror(result));
    }

    snd_pcm_t* pcm_;
    const std::string deviceName_;
    const bool capture_;
    const WaveFormat format_;
    const bool convertMuLaw_;
};

// ALSA's library writes its own lines to standard error about configurations it cannot
// evaluate (a machine without sound cards fails that way for "default"); every failure
// reaches our caller with the device's name and ALSA's reason instead.
void IgnoreLibraryMessage(const char*, int, const char*, int, const char*, ...)
{
}

snd_pcm_format_t DeviceSampleFormat(const WaveFormat& format)
{
    if (format.formatTag == WaveFormatMuLaw)
        return SND_PCM_FORMAT_MU_LAW;
    return format.bitsPerSample == 16 ? SND_PCM_FORMAT_S16_LE : SND_PCM_FORMAT_U8;
}

}  // namespace

std::unique_ptr<WaveStream> OpenAlsaStream(const std::string& name, bool capture,
                                           const WaveFormat& format, std::string& error)
{
    const std::string prefix = "ALSA device \"" + name + "\": ";
    snd_lib_error_set_handler(&IgnoreLibraryMessage);
    snd_pcm_t* pcm = nullptr;
    int result = snd_pcm_open(&pcm, name.c_str(),
                              capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK,
                              SND_PCM_NONBLOCK);
    if (result < 0) {
        error = prefix + "cannot open for " + (capture ? "capture" : "playback") + ": " +
            snd_strerror(result);
        return nullptr;
    }
    const auto fail = [&](const char* what) {
        error = prefix + what + ": " + snd_strerror(result);
        snd_pcm_close(pcm);
        return nullptr;
    };

    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    if ((result = snd_pcm_hw_params_any(pcm, hw)) < 0)
        return fail("no configuration");
    if ((result = snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0)
        return fail("no interleaved access");
    snd_pcm_format_t sampleFormat = DeviceSampleFormat(format);
    bool convertMuLaw = false;
    if (sampleFormat == SND_PCM_FORMAT_MU_LAW &&
        snd_pcm_hw_params_test_format(pcm, hw, sampleFormat) < 0) {
        sampleFormat = SND_PCM_FORMAT_S16_LE;
        convertMuLaw = true;
    }
    if ((result = snd_pcm_hw_params_set_format(pcm, hw, sampleFormat)) < 0)
        return fail("sample format not supported");
    if ((result = snd_pcm_hw_params_set_channels(pcm, hw, format.channels)) < 0)
        return fail("channel count not supported");
    if ((result = snd_pcm_hw_params_set_rate(pcm, hw, format.samplesPerSecond, 0)) < 0)
        return fail("sample rate not supported");
    // A short device buffer keeps the delay low; the wave buffers are the real queue.
    unsigned int bufferUs = 240000;
    unsigned int periodUs = 40000;
    snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &bufferUs, nullptr);
    snd_pcm_hw_params_set_period_time_near(pcm, hw, &periodUs, nullptr);
    if ((result = snd_pcm_hw_params(pcm, hw)) < 0)
        return fail("cannot be configured");
    if ((result = snd_pcm_prepare(pcm)) < 0)
        return fail("cannot be prepared");
    return std::make_unique<AlsaWaveStream>(pcm, name, capture, format, convertMuLaw);
}

}  // namespace parlino
