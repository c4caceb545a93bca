// Wave streams on an ALSA PCM device.
//
// Mu-law goes to the device as it is where the device takes it; otherwise the stream speaks
// 16-bit linear to the device and converts each buffer. Overruns and underruns are recovered
// from and the transfer goes on. Playback reports a buffer finished once the device has
// taken all of it.
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
