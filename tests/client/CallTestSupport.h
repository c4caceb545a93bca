// Call control without a window: a recorder in place of the window's controls and the
// voice, the bytes it sends kept and framed as the server frames them, and a counter that
// moves only when told to.
#pragma once

#include "client/CallControl.h"
#include "common/MessageFraming.h"
#include "common/SignallingCatalogue.h"
#include "platform/core/PerformanceCounter.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace parlino::test {

class RecordingCallView : public CallView {
public:
    void addLogEntry(const QString& text) override { log.push_back(text); }
    void addInfoLine(const QString& text) override { info.push_back(text); }
    void setBalanceEnabled(bool enabled) override { balanceEnabled = enabled; }
    void setCallButtonsEnabled(bool enabled) override
    {
        balanceEnabled = callEnabled = dropEnabled = enabled;
    }
    void setTalkButtonEnabled(bool enabled) override { talkEnabled = enabled; }
    bool talkButtonEnabled() const override { return talkEnabled; }
    void setLevel(int value) override { level = value; }
    void setRates(const QString& sending, const QString& receiving) override
    {
        sendingRate = sending;
        receivingRate = receiving;
    }
    void startRateTimer() override { rateTimer = true; }
    void stopRateTimer() override { rateTimer = false; }
    void startSoundTimer(int intervalMs) override { soundInterval = intervalMs; }
    void stopSoundTimer() override { soundInterval = 0; }
    bool soundTimerActive() const override { return soundInterval > 0; }
    void playSound(CallSound sound) override { played.push_back(sound); }
    void restoreWindow() override { ++restored; }
    bool runDialing(DialedNumber& choice) override
    {
        ++dialogs;
        if (whileOpen)
            whileOpen();
        if (!dial) {
            ADD_FAILURE() << "the Dialing dialog opened with no answer";
            return false;
        }
        return dial(choice);
    }
    QString inputBox(const QString& caption, const QString& prompt,
                     const QString& defaultText) override
    {
        inputs.push_back(caption + " / " + prompt + " / " + defaultText);
        if (whileOpen)
            whileOpen();
        return input;
    }

    std::vector<QString> log;
    std::vector<QString> info;
    bool balanceEnabled = true;
    bool callEnabled = true;
    bool dropEnabled = true;
    bool talkEnabled = false;
    int level = 0;
    QString sendingRate;
    QString receivingRate;
    bool rateTimer = false;
    int soundInterval = 0;  // 0: stopped
    std::vector<CallSound> played;
    int restored = 0;
    int dialogs = 0;
    std::function<bool(DialedNumber&)> dial;
    std::vector<QString> inputs;
    QString input;
    // What arrives while the Dialing dialog or the input box is open.
    std::function<void()> whileOpen;
};

class RecordingVoice : public VoiceSeam {
public:
    void StartVoice() override { events.push_back("start"); }
    void stopVoiceThreads() override { events.push_back("stop threads"); }
    void closeVoiceDevices() override { events.push_back("close devices"); }
    void suspendListening() override { events.push_back("suspend"); }
    void resumeListening() override { events.push_back("resume"); }
    std::int32_t sendRate() const override { return 8; }
    std::int32_t recvRate() const override { return 7; }
    std::int32_t micLevel() const override { return 4; }
    std::vector<std::string> events;
};

inline std::function<bool(DialedNumber&)> Dials(std::int32_t number, std::string local = {},
                                              std::string area = {}, std::string country = {})
{
    return [=](DialedNumber& choice) {
        choice.number = number;
        choice.localNumber = local;
        choice.areaCode = area;
        choice.countryCode = country;
        return true;
    };
}

struct SentMessage {
    char letter = 0;
    MessageValues values;
};

class CallControlTest : public ::testing::Test {
protected:
    static constexpr std::int32_t Own = 101;
    static constexpr std::int32_t Peer = 205;

    void SetUp() override
    {
        shared.OwnClientID = Own;
        control.setVoice(&voice);
    }

    // Frames what the softphone sent since the last call.
    std::vector<SentMessage> TakeSent()
    {
        std::vector<SentMessage> sent;
        DrainMessages(wire, &ServerReadFields, [&](char letter, const MessageValues& values) {
            sent.push_back({letter, values});
            return true;
        });
        EXPECT_TRUE(wire.empty()) << "half a message was sent";
        return sent;
    }
    std::string TakeSentLetters()
    {
        std::string letters;
        for (const SentMessage& m : TakeSent())
            letters += m.letter;
        return letters;
    }
    std::vector<QString> TakeLog()
    {
        std::vector<QString> log;
        log.swap(view.log);
        return log;
    }

    // A message from the server, as the receive loop hands it on.
    void Receive(char letter, int count = 0, const MessageValues& values = {})
    {
        ByteString bytes = BuildMessage(letter, count, values);
        DrainMessages(bytes, &ClientReadFields, [&](char l, const MessageValues& v) {
            control.handleMessage(l, v);
            return true;
        });
        ASSERT_TRUE(bytes.empty());
    }

    ManualCounter counter{1000};
    ScopedCounterSource counterInUse{counter};
    ClientShared shared;
    RecordingCallView view;
    RecordingVoice voice;
    ByteString out;
    ByteString wire;
    CallControl control{shared, view, out, [this](std::string_view bytes) {
                            wire.append(bytes);
                            return static_cast<std::int64_t>(bytes.size());
                        }};
    CallState& state = shared.callState;
};

}  // namespace parlino::test
