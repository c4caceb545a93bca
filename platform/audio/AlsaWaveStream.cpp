#include "platform/audio/AlsaWaveStream.h"

#include "platform/audio/PcmWaveStream.h"

#include <alsa/asoundlib.h>

#include <algorithm>

namespace parlino {

namespace {

class AlsaPcm : public PcmDevice {
public:
    AlsaPcm(snd_pcm_t* pcm, unsigned long bufferFrames, unsigned long periodFrames)
        : pcm_(pcm), bufferFrames_(static_cast<long>(bufferFrames)), periodFrames_(periodFrames)
    {
    }
    ~AlsaPcm() override { snd_pcm_close(pcm_); }
    AlsaPcm(const AlsaPcm&) = delete;
    AlsaPcm& operator=(const AlsaPcm&) = delete;

    long readFrames(void* data, unsigned long frames) override
    {
        return snd_pcm_readi(pcm_, data, frames);
    }
    long writeFrames(const void* data, unsigned long frames) override
    {
        return snd_pcm_writei(pcm_, data, frames);
    }
    void wait(int timeoutMs) override { snd_pcm_wait(pcm_, timeoutMs); }
    // From the buffer's free room rather than snd_pcm_delay(), which also counts the latency
    // of whatever lies beyond the buffer (a sound server): waiting for that to drain would
    // let the buffer run dry.
    int queued(long& frames) override
    {
        const snd_pcm_sframes_t room = snd_pcm_avail(pcm_);
        if (room < 0)
            return static_cast<int>(room);
        frames = std::max<long>(0, bufferFrames_ - static_cast<long>(room));
        return 0;
    }
    int recover(int error) override { return snd_pcm_recover(pcm_, error, 1); }
    State state() override
    {
        switch (snd_pcm_state(pcm_)) {
        case SND_PCM_STATE_PREPARED: return State::Prepared;
        case SND_PCM_STATE_RUNNING: return State::Running;
        default: return State::Other;
        }
    }
    int prepare() override { return snd_pcm_prepare(pcm_); }
    int start() override { return snd_pcm_start(pcm_); }
    int drop() override { return snd_pcm_drop(pcm_); }
    std::string errorText(int error) const override { return snd_strerror(error); }
    unsigned long periodFrames() const override { return periodFrames_; }

private:
    snd_pcm_t* pcm_;
    const long bufferFrames_;
    const unsigned long periodFrames_;
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
    // The wave buffers are the real queue: the device holds no more than one of them (a
    // packet, 120 ms), and moves sound in short periods.
    unsigned int bufferUs = 120000;
    unsigned int periodUs = 20000;
    snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &bufferUs, nullptr);
    snd_pcm_hw_params_set_period_time_near(pcm, hw, &periodUs, nullptr);
    if ((result = snd_pcm_hw_params(pcm, hw)) < 0)
        return fail("cannot be configured");
    snd_pcm_uframes_t bufferFrames = 0;
    snd_pcm_uframes_t periodFrames = 0;
    snd_pcm_hw_params_get_buffer_size(hw, &bufferFrames);
    snd_pcm_hw_params_get_period_size(hw, &periodFrames, nullptr);
    if ((result = snd_pcm_prepare(pcm)) < 0)
        return fail("cannot be prepared");
    return std::make_unique<PcmWaveStream>(
        std::make_unique<AlsaPcm>(pcm, bufferFrames, periodFrames), name, capture, format,
        convertMuLaw);
}

}  // namespace parlino
