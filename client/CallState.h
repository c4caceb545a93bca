// What the softphone is doing with a call, held once per program.
#pragma once

namespace parlino {

struct CallState {
    // The own call request has been sent and no answer has come yet.
    bool Calling = false;
    // An incoming call rings here; stays set after answering until the talk has started.
    bool Ringing = false;
    // A talk is in progress and the voice media run.
    bool InTalk = false;
    // The busy sound plays; only a drop clears it.
    bool BusyTone = false;
    // Markers for the drop being run: it comes from a socket error, or from a server
    // message. Either way the drop tells the other party nothing.
    bool ErrorDrop = false;
    bool RemoteDrop = false;

    bool Idle() const { return !Calling && !Ringing && !InTalk && !BusyTone; }
};

}  // namespace parlino
