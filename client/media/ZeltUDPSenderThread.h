// The send thread of a talk: turns every full capture buffer into one voice datagram and
// sends it to the server's relay, spreading consecutive datagrams over the send sockets.
// In a half-duplex talk it measures the microphone level and sends only while the talk
// button is held.
//
// Created suspended and resumed by the voice session's StartVoice, after the receive and
// playback threads; stopped first of the three. It owns the capture buffers and the send
// sockets during the talk and takes no lock.
#pragma once

#include "client/media/VoiceState.h"
#include "common/MessageFraming.h"
#include "platform/thread/WorkerThread.h"

#include <vector>

namespace parlino {

class TZeltUDPSenderThread : public WorkerThread {
public:
    explicit TZeltUDPSenderThread(VoiceState& voice) : voice_(voice) {}
    ~TZeltUDPSenderThread() override { terminateAndWait(); }

protected:
    void Execute() override;

private:
    void pass();
    // True when the buffers may be sent: always in a full-duplex talk; in a half-duplex one
    // the level of `buffers` is measured first and, with the talk button up, they go back
    // to the device unsent.
    bool levelAndGate(const std::vector<int>& buffers);
    VoicePacket buildPacket(int buffer);
    void sendPacket(VoicePacket& packet);

    VoiceState& voice_;
    std::int64_t lastSend_ = 0;
};

}  // namespace parlino
