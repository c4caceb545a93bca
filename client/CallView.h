// What call control needs from the softphone's window: the log, the buttons, the two call
// timers, the sound player, the Dialing dialog and the DTMF input box. The window
// implements it on its controls; tests implement it with a recorder.
#pragma once

#include "client/CallState.h"

#include <QString>

#include <cstdint>
#include <string>

namespace parlino {

// What the Dialing dialog hands back: the number (a subscriber 1..800, or 800 + line) and
// the outside number's parts as single-byte text.
struct DialedNumber {
    std::int32_t number = 0;
    std::string countryCode;
    std::string areaCode;
    std::string localNumber;
};

class CallView {
public:
    virtual ~CallView() = default;

    // Inserts a log entry; the text begins with a blank.
    virtual void addLogEntry(const QString& text) = 0;
    // The information memo's line for a message of the service.
    virtual void addInfoLine(const QString& text) = 0;

    // The Balance button alone, and the Balance, Call and Drop buttons together.
    virtual void setBalanceEnabled(bool enabled) = 0;
    virtual void setCallButtonsEnabled(bool enabled) = 0;
    // The half-duplex talk button and the level bar beside it.
    virtual void setTalkButtonEnabled(bool enabled) = 0;
    virtual bool talkButtonEnabled() const = 0;
    virtual void setLevel(int level) = 0;
    virtual void setRates(const QString& sending, const QString& receiving) = 0;

    // The rate timer (every 120 ms) and the sound timer.
    virtual void startRateTimer() = 0;
    virtual void stopRateTimer() = 0;
    virtual void startSoundTimer(int intervalMs) = 0;
    virtual void stopSoundTimer() = 0;
    virtual bool soundTimerActive() const = 0;

    // Plays the sound once in the background, cutting off any other; None silences.
    virtual void playSound(CallSound sound) = 0;

    // Brings the window back when it sits minimised in the notification area.
    virtual void restoreWindow() = 0;

    // Runs the Dialing dialog on `choice`; true for OK.
    virtual bool runDialing(DialedNumber& choice) = 0;
    // The input box: the entered text, or `defaultText` when cancelled.
    virtual QString inputBox(const QString& caption, const QString& prompt,
                             const QString& defaultText) = 0;
};

}  // namespace parlino
