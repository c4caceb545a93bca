// What the softphone is doing with a call, held once per program.
//
// Only the main thread writes the call state. The voice threads read HalfDuplex,
// TalkPressed and CallTimeBase while a talk runs; those are atomics, and they have their
// values for the talk before the threads start.
#pragma once

#include <atomic>
#include <cstdint>

namespace parlino {

// The call-progress sound that the sound timer repeats.
enum class CallSound { None, RingIn, Answer, Busy };

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
    // The full-duplex flag of the last outside call or price offer received.
    bool LineFullDuplex = false;
    // The talk is half-duplex: the sender sends only while the talk button is held.
    std::atomic<bool> HalfDuplex = false;
    std::atomic<bool> TalkPressed = false;

    // The other party: a Client_ID 1..800 or a line account 801..899.
    std::int32_t PeerNumber = 0;
    // Who pays: the own number on an own call, the caller on an incoming one.
    std::int32_t CallOwner = 0;

    CallSound CurrentSound = CallSound::None;
    // Performance-counter values: when the own call request was handed to the socket, and
    // the zero point of the call clock both ends of a talk share.
    std::int64_t CallSentStamp = 0;
    std::atomic<std::int64_t> CallTimeBase = 0;

    // Counts the signalling connections that have ended. A dialog's outcome is sent only
    // on the connection it was opened on: one opened before an end has nowhere to go.
    std::uint64_t ConnectionsEnded = 0;

    bool Idle() const { return !Calling && !Ringing && !InTalk && !BusyTone; }

    // Back to the start-up state: idle, no peer, no markers.
    void clear()
    {
        Calling = Ringing = InTalk = BusyTone = false;
        ErrorDrop = RemoteDrop = LineFullDuplex = false;
        HalfDuplex = false;
        TalkPressed = false;
        PeerNumber = CallOwner = 0;
        CurrentSound = CallSound::None;
        CallSentStamp = 0;
        CallTimeBase = 0;
    }
};

}  // namespace parlino
