// Wave streams on an ALSA PCM device: ALSA's device configured for the voice, under a
// PcmWaveStream (PcmWaveStream.h says how sound moves and when a buffer is finished).
#pragma once

#include "platform/audio/WaveFormat.h"
#include "platform/audio/WaveStream.h"

#include <memory>
#include <string>

namespace parlino {

// Opens the ALSA device `name` for capture or playback in `format`; null on failure, with a
// message naming the device and ALSA's error in `error`.
std::unique_ptr<WaveStream> OpenAlsaStream(const std::string& name, bool capture,
                                           const WaveFormat& format, std::string& error);

}  // namespace parlino
