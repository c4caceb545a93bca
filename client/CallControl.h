// The softphone's calls: the reply dispatcher for every server message past the sign-in,
// and the Call, Drop and talk buttons and the two call timers, all on the call state.
//
// Main thread only: socket events, clicks and timer ticks reach it one at a time. A drop
// that a message causes runs nested inside that message's handling.
#pragma once

#include "client/AccountReplies.h"
#include "client/CallView.h"
#include "client/ClientShared.h"
#include "client/VoiceSeam.h"
#include "common/MessageFraming.h"

#include <cstdint>
#include <string>

namespace parlino {

class CallControl {
public:
    // `out` is the window's output buffer and `write` hands bytes to the signalling socket.
    CallControl(ClientShared& shared, CallView& view, ByteString& out, ByteWriter write);
    CallControl(const CallControl&) = delete;
    CallControl& operator=(const CallControl&) = delete;

    // Where talks start and stop their voice, and where the money and order replies go;
    // null puts back the ones that do nothing. Neither is owned.
    void setVoice(VoiceSeam* voice);
    void setAccountReplies(AccountReplies* replies);

    // One whole message from the server (any letter but the sign-in replies), acted on
    // also while a dialog is open; the dialog's outcome then fits the state it finds.
    void handleMessage(char letter, const MessageValues& values);

    // The Call button: DTMF in a talk with a line, answer while ringing, dial when idle.
    void callClicked();
    // The Drop button, in every state; also run by the messages that end a call.
    void dropClicked();
    // The half-duplex talk button's press and release.
    void talkPressed();
    void talkReleased();
    // The sound timer's and the rate timer's ticks.
    void soundTick();
    void rateTick();
    // Before the window closes: a call being made, ringing or talking is dropped with its
    // message to the other party.
    void dropBeforeClose();

private:
    void send(char letter, int count = 0, const MessageValues& values = {});
    void log(const QString& text);
    QString withContactNames(std::int32_t number) const;
    void startSound(CallSound sound, int intervalMs);
    void stopSound();
    void remoteDrop();

    void ringingNotice();
    void priceOffer(const MessageValues& values);
    void busyNotice();
    void talkStarted();
    void incomingCall(std::int32_t caller);
    void incomingOutsideCall(const MessageValues& values);
    void startRinging(std::int32_t caller, std::int64_t noticedAt, const QString& logText);
    void startTalk();
    void setMidpointClock();

    void sendDtmf();
    void dial();

    ClientShared& shared_;
    CallState& state_;
    CallView& view_;
    ByteString& out_;
    ByteWriter write_;
    VoiceSeam noVoice_;
    AccountReplies noReplies_;
    VoiceSeam* voice_ = &noVoice_;
    AccountReplies* replies_ = &noReplies_;
};

}  // namespace parlino
