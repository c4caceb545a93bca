// The playback thread of a talk: whenever the wave-out device has played a buffer, refills
// it from the jitter store at the playback position and queues it again, one packet per
// buffer at the device's pace, repeating old audio where a datagram is missing.
//
// A datagram that has reached the phone when a buffer is to be refilled is placed first: it
// is heard now or a packet later by when it arrived, not by how soon the receive thread woke
// up for it (where arrivals meet the refills, the latter would repeat one packet and skip the
// next at random). The wait lasts while the receive thread places it, at most
// ArrivedDatagramWaitMs; a missing datagram costs no wait.
//
// Created suspended and resumed by the voice session's StartVoice after the receive thread;
// suspended and resumed by the half-duplex talk button; stopped last. It owns the playback
// buffers during the talk and takes VoiceLock for reading around each refill only.
#pragma once

#include "client/media/VoiceState.h"
#include "platform/thread/WorkerThread.h"

namespace parlino {

class TZeltPlayerThread : public WorkerThread {
public:
    explicit TZeltPlayerThread(VoiceState& voice) : voice_(voice) {}
    ~TZeltPlayerThread() override { terminateAndWait(); }

protected:
    void Execute() override;

private:
    void pass();
    void awaitArrivedDatagram();

    VoiceState& voice_;
};

}  // namespace parlino
