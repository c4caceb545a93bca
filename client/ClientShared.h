// The objects the softphone's parts share for the whole run, made once per program by the
// main window at start-up and passed by reference to the sign-in, the call control and the
// voice threads. Being one object rather than globals, two softphones can run in one
// process.
#pragma once

#include "client/CallState.h"
#include "client/VoiceHandles.h"
#include "common/ZeltUtils.h"
#include "platform/audio/WaveAudio.h"
#include "platform/thread/AutoResetEvent.h"
#include "platform/thread/ReadWriteLock.h"

#include <QByteArray>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>

namespace parlino {

struct ClientShared {
    ClientShared() = default;
    // `audioDevices` as PARLINO_AUDIO names them; nullopt reads the variable.
    explicit ClientShared(std::optional<std::string> audioDevices) : audio(std::move(audioDevices))
    {
    }

    // The performance counter's frequency, read once; counter differences divided by it
    // give seconds.
    bool CounterAvailable = false;
    long double CounterFrequency = 0.0L;

    std::int32_t OwnClientID = 0;
    // Contact lines: a name, "=" and a Client_ID.
    QStringList Contacts;
    // Rows of the order table of an outside line.
    QStringList OrderSlots;

    // VoiceReceiveHandle and VoiceSendHandles.
    VoiceHandles voiceHandles;

    // Calling, ringing, talking or hearing the busy tone.
    CallState callState;

    // Set by the capture and the playback device at every finished buffer; the send and the
    // playback thread wait on them. Not signalled at first.
    AutoResetEvent WaveInEvent;
    AutoResetEvent WaveOutEvent;

    // Guards the jitter store: the receive thread writes under it, the playback thread
    // reads. Neither waits for the other thread nor calls into the main thread while
    // holding it.
    ReadWriteLock VoiceLock;

    // One packet of silence that primes playback at the start of a talk.
    QByteArray SilenceData;
    // The sound system: the wave devices of a talk and the player of the sounds below.
    WaveAudio audio;
    // The call-progress sounds as WAVE file images; empty when missing (nothing sounds).
    QByteArray Answer;
    QByteArray Busy;
    QByteArray RingIn;
};

}  // namespace parlino
