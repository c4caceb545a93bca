#include "platform/audio/SoundPlayer.h"

#include "platform/audio/WaveAudio.h"
#include "platform/audio/WaveImage.h"

#include <algorithm>
#include <cstdio>

namespace parlino {

SoundPlayer::SoundPlayer(WaveAudio& audio) : audio_(audio), event_(audio.clock())
{
}

SoundPlayer::~SoundPlayer()
{
    std::lock_guard lock(mutex_);
    device_.reset();
}

void SoundPlayer::record(SoundPlayerEvent::Kind kind, std::size_t dataBytes, std::string error)
{
    history_.push_back({kind, audio_.clock().now(), dataBytes, std::move(error)});
    while (history_.size() > HistoryLength)
        history_.pop_front();
}

void SoundPlayer::stopLocked()
{
    if (!device_)
        return;
    const bool finished = header_.done();
    device_->reset();
    device_->unprepareHeader(header_);
    device_.reset();
    record(finished ? SoundPlayerEvent::Kind::Finished : SoundPlayerEvent::Kind::Stopped,
           data_.size());
}

bool SoundPlayer::play(std::span<const std::uint8_t> image)
{
    std::lock_guard lock(mutex_);
    stopLocked();
    if (image.empty())
        return true;

    WaveImage sound;
    std::string error;
    if (ReadWaveImage(image, sound, error)) {
        // Whole samples only.
        sound.data.resize(sound.data.size() -
                          sound.data.size() % std::max<std::uint16_t>(sound.format.blockAlign, 1));
        if (sound.data.empty()) {
            record(SoundPlayerEvent::Kind::Started, 0);
            record(SoundPlayerEvent::Kind::Finished, 0);
            return true;
        }
        device_ = audio_.openToneOut(sound.format, event_, error);
    }
    if (!device_) {
        std::fprintf(stderr, "Cannot play the sound: %s\n", error.c_str());
        record(SoundPlayerEvent::Kind::Failed, 0, error);
        return false;
    }
    data_ = std::move(sound.data);
    header_.data = data_.data();
    header_.bufferLength = static_cast<std::uint32_t>(data_.size());
    header_.flags = 0;
    device_->prepareHeader(header_);
    device_->write(header_);
    record(SoundPlayerEvent::Kind::Started, data_.size());
    return true;
}

void SoundPlayer::stop()
{
    std::lock_guard lock(mutex_);
    stopLocked();
}

bool SoundPlayer::isPlaying()
{
    std::lock_guard lock(mutex_);
    if (device_ && header_.done())
        stopLocked();
    return device_ != nullptr;
}

std::vector<SoundPlayerEvent> SoundPlayer::history() const
{
    std::lock_guard lock(mutex_);
    return {history_.begin(), history_.end()};
}

}  // namespace parlino
