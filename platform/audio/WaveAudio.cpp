#include "platform/audio/WaveAudio.h"

#include "platform/audio/EmulatedWaveStream.h"
#include "platform/audio/PcmWaveStream.h"
#include "platform/audio/SoundPlayer.h"
#include "platform/audio/WaveImage.h"
#ifdef PARLINO_HAVE_ALSA
#include "platform/audio/AlsaWaveStream.h"
#endif

#include <cstdio>
#include <cstdlib>

namespace parlino {

WaveAudio::WaveAudio(std::optional<std::string> deviceChoice, Clock& clock) : clock_(clock)
{
    if (!deviceChoice) {
        const char* env = std::getenv("PARLINO_AUDIO");
        deviceChoice = env ? env : "";
    }
    if (!ParseAudioDeviceChoice(*deviceChoice, choice_, choiceError_))
        std::fprintf(stderr, "%s\n", choiceError_.c_str());
    player_ = std::make_unique<SoundPlayer>(*this);
}

WaveAudio::~WaveAudio() = default;

void WaveAudio::setFaults(const EmulatedFaults& faults)
{
    std::lock_guard lock(mutex_);
    faults_ = faults;
}

void WaveAudio::setPcmOpener(PcmOpener opener)
{
    std::lock_guard lock(mutex_);
    pcmOpener_ = std::move(opener);
}

std::unique_ptr<WaveInDevice> WaveAudio::openWaveIn(const WaveFormat& format, AutoResetEvent& event,
                                                    std::string& error)
{
    std::string name;
    std::unique_ptr<WaveStream> stream = openStream(Role::Capture, format, name, error);
    if (!stream)
        return nullptr;
    return std::make_unique<WaveInDevice>(format, std::move(stream), event, name);
}

std::unique_ptr<WaveOutDevice> WaveAudio::openWaveOut(const WaveFormat& format,
                                                      AutoResetEvent& event, std::string& error)
{
    player_->stop();
    std::string name;
    std::unique_ptr<WaveStream> stream = openStream(Role::Playback, format, name, error);
    if (!stream)
        return nullptr;
    return std::make_unique<WaveOutDevice>(format, std::move(stream), event, name);
}

std::unique_ptr<WaveOutDevice> WaveAudio::openToneOut(const WaveFormat& format,
                                                      AutoResetEvent& event, std::string& error)
{
    std::string name;
    std::unique_ptr<WaveStream> stream = openStream(Role::Tones, format, name, error);
    if (!stream)
        return nullptr;
    return std::make_unique<WaveOutDevice>(format, std::move(stream), event, name);
}

std::unique_ptr<WaveStream> WaveAudio::openStream(Role role, const WaveFormat& format,
                                                  std::string& deviceName, std::string& error)
{
    std::lock_guard lock(mutex_);
    if (!choiceError_.empty()) {
        error = choiceError_;
        return nullptr;
    }
    if (!IsConsistentWaveFormat(format) || format.extraSize != 0) {
        error = "Wave format not supported by any audio device";
        return nullptr;
    }
    if (choice_.kind == AudioDeviceChoice::Kind::Files)
        return openEmulated(role, format, deviceName, error);

    const std::string alsaName = choice_.kind == AudioDeviceChoice::Kind::Alsa ? choice_.alsaName
                                                                               : "default";
    deviceName = "ALSA device \"" + alsaName + "\"";
    if (pcmOpener_ && choice_.kind == AudioDeviceChoice::Kind::Alsa) {
        std::unique_ptr<PcmDevice> pcm = pcmOpener_(alsaName, role == Role::Capture);
        if (!pcm) {
            error = deviceName + ": no such device";
            return nullptr;
        }
        return std::make_unique<PcmWaveStream>(std::move(pcm), alsaName, role == Role::Capture,
                                               format, false);
    }
#ifdef PARLINO_HAVE_ALSA
    std::unique_ptr<WaveStream> stream = OpenAlsaStream(alsaName, role == Role::Capture, format,
                                                        error);
#else
    std::unique_ptr<WaveStream> stream;
    error = deviceName + ": this build has no ALSA support";
#endif
    if (stream || choice_.kind == AudioDeviceChoice::Kind::Alsa)
        return stream;
    if (!fellBack_) {
        std::fprintf(stderr, "%s; using the emulated \"null\" audio device\n", error.c_str());
        fellBack_ = true;
    }
    error.clear();
    return openEmulated(role, format, deviceName, error);
}

std::unique_ptr<WaveStream> WaveAudio::openEmulated(Role role, const WaveFormat& format,
                                                    std::string& deviceName, std::string& error)
{
    const std::string& path = role == Role::Capture ? choice_.capturePath
        : role == Role::Playback                    ? choice_.playbackPath
                                                    : choice_.tonesPath;
    deviceName = path.empty() ? std::string("emulated audio device")
                              : "emulated audio device on \"" + path + "\"";
    if (!IsMuLawCompatible(format)) {
        error = deviceName + ": only 8000 Hz mono mu-law or linear sound is emulated";
        return nullptr;
    }
    if (role == Role::Capture) {
        std::vector<std::uint8_t> source;
        if (!path.empty()) {
            WaveImage image;
            std::string why;
            if (!ReadWaveFile(path, image, why)) {
                error = deviceName + ": " + why;
                return nullptr;
            }
            if (!IsMuLawCompatible(image.format)) {
                error = deviceName + ": the file is not 8000 Hz mono mu-law or linear sound";
                return nullptr;
            }
            ConvertToMuLaw(image.format, image.data.data(), image.data.size(), source);
        }
        return EmulatedWaveStream::capture(clock_, format, std::move(source),
                                           faults_.captureStallAfter);
    }
    std::unique_ptr<WaveFileWriter> sink;
    if (!path.empty()) {
        std::string why;
        sink = WaveFileWriter::open(path, why);
        if (!sink) {
            error = deviceName + ": " + why;
            return nullptr;
        }
    }
    return EmulatedWaveStream::playback(clock_, format, std::move(sink),
                                        role == Role::Playback ? faults_.playbackStallAfter : -1);
}

}  // namespace parlino
