// Which sound devices the program uses, as PARLINO_AUDIO names them:
//   alsa:NAME                               the ALSA device NAME ("alsa:default")
//   file:CAPTURE.wav:PLAYBACK.wav[:TONES.wav] the emulated device: capture loops CAPTURE.wav,
//                                           playback records into PLAYBACK.wav, the sound
//                                           player records into TONES.wav; an empty name
//                                           means silence or nowhere
//   null                                    the emulated device with no files at all
// Unset or empty: ALSA "default" when it opens, else "null".
#pragma once

#include <string>
#include <string_view>

namespace parlino {

struct AudioDeviceChoice {
    enum class Kind { Automatic, Alsa, Files };
    Kind kind = Kind::Automatic;
    std::string alsaName;      // Alsa
    std::string capturePath;   // Files; empty: silence
    std::string playbackPath;  // Files; empty: nowhere
    std::string tonesPath;     // Files; empty: nowhere
};

// False, with a message in `error`, for text that names no device this way.
bool ParseAudioDeviceChoice(std::string_view text, AudioDeviceChoice& choice, std::string& error);

}  // namespace parlino
