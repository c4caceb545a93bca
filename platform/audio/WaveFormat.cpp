#include "platform/audio/WaveFormat.h"

namespace parlino {

bool IsConsistentWaveFormat(const WaveFormat& format)
{
    const bool knownSampleSize = (format.formatTag == WaveFormatMuLaw &&
                                  format.bitsPerSample == 8) ||
        (format.formatTag == WaveFormatPcm &&
         (format.bitsPerSample == 8 || format.bitsPerSample == 16));
    if (!knownSampleSize || format.channels == 0 || format.samplesPerSecond == 0)
        return false;
    const std::uint32_t blockAlign = format.bitsPerSample / 8u * format.channels;
    return format.blockAlign == blockAlign &&
        format.averageBytesPerSecond == blockAlign * format.samplesPerSecond;
}

}  // namespace parlino
