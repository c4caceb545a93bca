// The call-progress tones as 16-bit samples at 8000 per second, and a writer that stores
// samples as a mu-law WAVE file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace parlino::assets {

using Samples = std::vector<std::int16_t>;

// Two 0.4 s bursts of a warbling ringer, 0.2 s apart.
Samples RingerTone();
// 440 Hz and 480 Hz together for 1.5 s.
Samples RingBackTone();
// 480 Hz and 620 Hz together for 0.35 s; the 0.7 s repeat makes the pause.
Samples BusyTone();
// 0.24 s of silence: two voice packets' worth.
Samples Silence();

// Writes the samples as a mu-law, mono, 8000 Hz WAVE file, replacing any file of that name.
// Throws std::runtime_error when the file cannot be written.
void WriteMuLawWave(const std::string& path, const Samples& samples);

}  // namespace parlino::assets
