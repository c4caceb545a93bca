// Call control's voice seam on the softphone's voice session: a talk's start and its stop in
// two halves, and the half-duplex talk button holding the listening side.
//
// Main thread only, as call control.
#pragma once

#include "client/VoiceSeam.h"

namespace parlino {

class VoiceSession;

class SessionVoice : public VoiceSeam {
public:
    // `session` is not owned and outlives this.
    explicit SessionVoice(VoiceSession& session) : session_(session) {}

    void StartVoice() override;
    void stopVoiceThreads() override;
    void closeVoiceDevices() override;
    void suspendListening() override;
    void resumeListening() override;
    std::int32_t sendRate() const override;
    std::int32_t recvRate() const override;
    std::int32_t micLevel() const override;

private:
    VoiceSession& session_;
};

}  // namespace parlino
