#include "platform/audio/AudioDeviceChoice.h"

#include <vector>

namespace parlino {

namespace {

std::vector<std::string> SplitColons(std::string_view text)
{
    std::vector<std::string> parts;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t colon = text.find(':', begin);
        parts.emplace_back(
            text.substr(begin, colon == std::string_view::npos ? colon : colon - begin));
        if (colon == std::string_view::npos)
            return parts;
        begin = colon + 1;
    }
}

}  // namespace

bool ParseAudioDeviceChoice(std::string_view text, AudioDeviceChoice& choice, std::string& error)
{
    choice = {};
    if (text.empty())
        return true;
    if (text == "null") {
        choice.kind = AudioDeviceChoice::Kind::Files;
        return true;
    }
    const std::vector<std::string> parts = SplitColons(text);
    if (parts[0] == "alsa") {
        // ALSA names may themselves hold colons ("hw:0,0"): everything after "alsa:".
        choice.kind = AudioDeviceChoice::Kind::Alsa;
        choice.alsaName = parts.size() > 1 ? std::string(text.substr(5)) : std::string();
        if (choice.alsaName.empty())
            choice.alsaName = "default";
        return true;
    }
    if (parts[0] == "file" && (parts.size() == 3 || parts.size() == 4)) {
        choice.kind = AudioDeviceChoice::Kind::Files;
        choice.capturePath = parts[1];
        choice.playbackPath = parts[2];
        if (parts.size() == 4)
            choice.tonesPath = parts[3];
        return true;
    }
    error = "PARLINO_AUDIO \"" + std::string(text) +
        "\" names no audio device (alsa:NAME, file:CAPTURE.wav:PLAYBACK.wav[:TONES.wav] or null)";
    return false;
}

}  // namespace parlino
