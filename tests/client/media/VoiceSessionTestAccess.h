// Reaches the voice session's state for tests.
#pragma once

#include "client/media/VoiceSession.h"
#include "client/media/ZeltUDPSenderThread.h"
#include "platform/thread/ReadWriteLock.h"

namespace parlino {

class VoiceSessionTestAccess {
public:
    explicit VoiceSessionTestAccess(VoiceSession& session) : session_(session) {}

    // StartVoice with the send thread created but not yet resumed.
    void startVoiceHoldingSender() { session_.startVoice(VoiceSession::SenderStart::Hold); }
    void resumeSender() { session_.senderThread_->resume(); }

    // A copy of the jitter store. Taken under the writing side of VoiceLock: the player
    // moves the positions under the reading side, as the lock's only reader.
    JitterStore jitter()
    {
        WriteLockGuard guard(session_.voice_.shared.VoiceLock);
        return session_.voice_.jitter;
    }
    std::int32_t sendSeq() const { return session_.voice_.SendSeq.load(); }
    CaptureBuffers& captureBuffers() { return session_.voice_.captureBuffers; }
    PlaybackBuffers& playbackBuffers() { return session_.voice_.playbackBuffers; }
    bool devicesOpen() const
    {
        return session_.voice_.captureBuffers.device || session_.voice_.playbackBuffers.device;
    }
    bool threadsExist() const
    {
        return session_.senderThread_ || session_.receiverThread_ || session_.playerThread_;
    }

private:
    VoiceSession& session_;
};

}  // namespace parlino
