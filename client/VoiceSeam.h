// Where call control starts and stops the voice media of a talk. Until the voice threads
// exist, a talk runs without them: every call here does nothing.
#pragma once

#include <cstdint>

namespace parlino {

class VoiceSeam {
public:
    virtual ~VoiceSeam() = default;

    // At talk start, once HalfDuplex, TalkPressed and CallTimeBase have their values.
    virtual void StartVoice() {}
    // At the drop of a talk, in two halves with the log entry between them: the threads
    // (resumed first when the talk button holds them suspended), then the wave devices.
    virtual void stopVoiceThreads() {}
    virtual void closeVoiceDevices() {}
    // The half-duplex talk button: while held, the receiving side is suspended.
    virtual void suspendListening() {}
    virtual void resumeListening() {}
    // Voice datagrams per second, sent and received, and the microphone level 0..5 of a
    // half-duplex talk, for the window's rate display.
    virtual std::int32_t sendRate() const { return 0; }
    virtual std::int32_t recvRate() const { return 0; }
    virtual std::int32_t micLevel() const { return 0; }
};

}  // namespace parlino
