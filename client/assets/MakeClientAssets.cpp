// Writes the softphone's own sounds and about-box picture into a folder:
//   RingIn.wav   the ringer of an incoming call (played every 3 s while it rings)
//   Answer.wav   the ring-back tone the caller hears (every 3.5 s)
//   Busy.wav     the busy tone (every 0.7 s)
//   silence.wav  silence, to prime playback at the start of a talk
//   about.jpg    the about box's picture
// Sounds are 8 kHz mono mu-law WAVE files; the build runs this program and embeds the
// results, so no binary asset lives in the sources.
//
// Usage: MakeClientAssets OUTPUT_FOLDER
#include "client/assets/AboutPictureWriter.h"
#include "client/assets/ToneWriter.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + '/';
    try {
        using namespace parlino::assets;
        WriteMuLawWave(folder + "RingIn.wav", RingerTone());
        WriteMuLawWave(folder + "Answer.wav", RingBackTone());
        WriteMuLawWave(folder + "Busy.wav", BusyTone());
        WriteMuLawWave(folder + "silence.wav", Silence());
        WriteAboutPicture(folder + "about.jpg");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "MakeClientAssets: %s\n", error.what());
        return 1;
    }
    return 0;
}
