// The receive thread of a talk: reads the peer's voice datagrams from the receive socket,
// cuts them into packets and places each one into the jitter store (JitterStore.h).
//
// Created suspended and resumed first by the voice session's StartVoice; suspended and
// resumed by the half-duplex talk button; stopped after the send thread. It owns the receive
// socket during the talk and takes VoiceLock for writing around each placement only.
#pragma once

#include "client/media/VoiceState.h"
#include "common/ZeltUtils.h"
#include "platform/thread/WorkerThread.h"

#include <vector>

namespace parlino {

class TZeltUDPReceiverThread : public WorkerThread {
public:
    explicit TZeltUDPReceiverThread(VoiceState& voice) : voice_(voice) {}
    ~TZeltUDPReceiverThread() override { terminateAndWait(); }

protected:
    void Execute() override;

private:
    void pass();
    void receiveOne();

    VoiceState& voice_;
    // State of this talk: counter stamp of the last datagram, bytes not yet decoded (kept
    // across passes), and whether the store has synchronised to the peer's sequence.
    std::int64_t lastReceive_ = 0;
    ByteString pending_;
    std::vector<char> receiveBuffer_;
    bool synchronised_ = false;
};

}  // namespace parlino
