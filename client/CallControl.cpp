#include "client/CallControl.h"

#include "client/ContactNames.h"
#include "client/PriceText.h"
#include "common/AccountNumbers.h"
#include "common/SignallingCatalogue.h"
#include "platform/core/PerformanceCounter.h"


namespace parlino {

namespace {

constexpr int RingInIntervalMs = 3000;
constexpr int AnswerIntervalMs = 3500;
constexpr int BusyIntervalMs = 700;
constexpr qsizetype MaxDtmfDigits = 40;
// Sent when an outside number is dialled without one.
constexpr const char* DefaultAreaCode = "213";

QString latin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString lineText(std::int32_t account)
{
    return QString::number(outsideLineNumber(account));
}

// The three parts of an outside number, one per line, for the log.
QString outsideNumberLines(const MessageValues& values)
{
    return QStringLiteral("\r\nCountry code: ") + latin1(ValueAs<std::string>(values, 1)) +
        QStringLiteral("\r\nArea code: ") + latin1(ValueAs<std::string>(values, 2)) +
        QStringLiteral("\r\nLocal number: ") + latin1(ValueAs<std::string>(values, 3));
}

bool isDtmfDigit(char c)
{
    return (c >= '0' && c <= '9') || c == '*' || c == '#';
}

}  // namespace

CallControl::CallControl(ClientShared& shared, CallView& view, ByteString& out, ByteWriter write)
    : shared_(shared), state_(shared.callState), view_(view), out_(out), write_(std::move(write))
{
}

void CallControl::setVoice(VoiceSeam* voice)
{
    voice_ = voice ? voice : &noVoice_;
}

void CallControl::setAccountReplies(AccountReplies* replies)
{
    replies_ = replies ? replies : &noReplies_;
}

void CallControl::send(char letter, int count, const MessageValues& values)
{
    out_ = BuildMessage(letter, count, values);
    // On a connection that is gone the rest of the message is dropped; the socket's error
    // event tells the subscriber.
    SendWhole(out_, write_);
}

void CallControl::log(const QString& text)
{
    view_.addLogEntry(text);
}

QString CallControl::withContactNames(std::int32_t number) const
{
    return QString::number(number) + ContactNames(shared_.Contacts, number);
}

void CallControl::startSound(CallSound sound, int intervalMs)
{
    state_.CurrentSound = sound;
    view_.startSoundTimer(intervalMs);
}

void CallControl::stopSound()
{
    view_.stopSoundTimer();
    view_.playSound(CallSound::None);
}

// ---- the server's messages ----

void CallControl::handleMessage(char letter, const MessageValues& values)
{
    switch (letter) {
    case Letter::RingingNotice: ringingNotice(); break;
    case Letter::PriceOffer: priceOffer(values); break;
    case Letter::BusyNotice: busyNotice(); break;
    case Letter::AnswerCall:
        if (state_.Calling) {
            send(Letter::TalkStart, 1, {state_.PeerNumber});
            stopSound();
            state_.Calling = false;
            startTalk();
        }
        break;
    case Letter::TalkStarted: talkStarted(); break;
    case Letter::IncomingCall: incomingCall(ValueAs<std::int32_t>(values, 0)); break;
    case Letter::IncomingOutsideCall: incomingOutsideCall(values); break;
    case Letter::CallDropped:
        if (state_.Calling || state_.InTalk || state_.Ringing)
            remoteDrop();
        break;
    case Letter::NoFunds:
        if (state_.Calling || state_.InTalk) {
            log(QStringLiteral(" Calling party service suspended"));
            remoteDrop();
        }
        break;
    case Letter::PeerNoFunds:
        if (state_.Calling) {
            log(QStringLiteral(" Called party service suspended"));
            remoteDrop();
        }
        break;
    case Letter::NoSuchUser:
        log(QStringLiteral(" Number or line not found"));
        remoteDrop();
        state_.RemoteDrop = false;
        break;
    case Letter::PeerUnavailable:
        log(QStringLiteral(" Called party is offline"));
        remoteDrop();
        state_.RemoteDrop = false;
        break;
    case Letter::InfoMessage: view_.addInfoLine(latin1(ValueAs<std::string>(values, 0))); break;
    case Letter::BalanceReport: replies_->BalanceReport(ValueAs<double>(values, 0)); break;
    // A card paid for is told whatever the call state; a call that rang in while the
    // answer was on its way must not lose it.
    case Letter::TopUpAccepted: replies_->TopUpAccepted(); break;
    case Letter::TopUpRefused: replies_->TopUpRefused(); break;
    case Letter::OrderPlaced:
        if (!state_.Calling && !state_.InTalk && !state_.BusyTone)
            replies_->OrderPlaced();
        break;
    case Letter::OrderFailed:
        if (!state_.Calling && !state_.InTalk && !state_.BusyTone)
            replies_->OrderFailed();
        break;
    case Letter::OrderTable:
        replies_->OrderTable(ValueAs<std::string>(values, 0), ValueAs<double>(values, 1));
        break;
    default: break;  // the sign-in replies are the sign-in's
    }
}

void CallControl::remoteDrop()
{
    state_.RemoteDrop = true;
    dropClicked();
}

void CallControl::setMidpointClock()
{
    // The mean of the request's stamp and now, as the far end's clock started when the
    // request reached it: about halfway through the round trip.
    const auto sent = static_cast<std::uint64_t>(state_.CallSentStamp);
    const auto now = static_cast<std::uint64_t>(QueryCounter());
    state_.CallTimeBase = static_cast<std::int64_t>((sent + now) >> 1);
}

void CallControl::ringingNotice()
{
    if (!state_.Calling)
        return;
    setMidpointClock();
    log(QStringLiteral(" Calling..."));
    startSound(CallSound::Answer, AnswerIntervalMs);
}

void CallControl::priceOffer(const MessageValues& values)
{
    state_.LineFullDuplex = ValueAs<bool>(values, 2);
    if (!state_.Calling)
        return;
    setMidpointClock();
    log(QStringLiteral(" Calling (area: ") + latin1(ValueAs<std::string>(values, 0)) +
        QStringLiteral(", pay per minute: ") + PriceText(ValueAs<double>(values, 1)) +
        QStringLiteral(")..."));
    startSound(CallSound::Answer, AnswerIntervalMs);
}

void CallControl::busyNotice()
{
    if (!state_.Calling)
        return;
    log(QStringLiteral(" Busy"));
    startSound(CallSound::Busy, BusyIntervalMs);
    state_.Calling = false;
    state_.BusyTone = true;
}

void CallControl::talkStarted()
{
    if (state_.Ringing) {
        // Answering has stopped the ring already; a server that starts the talk unanswered
        // must not leave it ringing through the talk and after it.
        stopSound();
        state_.Ringing = false;
        startTalk();
        return;
    }
    // The server started a talk this side no longer has (it dropped in between): end it.
    if (!state_.ErrorDrop && !state_.RemoteDrop)
        send(Letter::TalkEnd, 2, {state_.CallOwner, state_.PeerNumber});
    state_.ErrorDrop = false;
    state_.RemoteDrop = false;
}

void CallControl::startTalk()
{
    state_.InTalk = true;
    log(QStringLiteral(" Talk started"));
    view_.startRateTimer();
    // Half-duplex with an outside line that offers no full duplex.
    if (isOutsideLine(state_.PeerNumber) && !state_.LineFullDuplex) {
        state_.HalfDuplex = true;
        state_.TalkPressed = false;
        view_.setTalkButtonEnabled(true);
    } else {
        state_.HalfDuplex = false;
    }
    voice_->StartVoice();
}

void CallControl::incomingCall(std::int32_t caller)
{
    const std::int64_t noticedAt = QueryCounter();
    if (!state_.Idle()) {
        send(Letter::BusyNotice, 1, {caller});
        log(QStringLiteral(" Inbound call attempt from ") + withContactNames(caller));
        return;
    }
    startRinging(caller, noticedAt,
                 QStringLiteral(" Inbound call from ") + withContactNames(caller) +
                     QStringLiteral("..."));
}

void CallControl::incomingOutsideCall(const MessageValues& values)
{
    const std::int64_t noticedAt = QueryCounter();
    const std::int32_t account = ValueAs<std::int32_t>(values, 0);
    state_.LineFullDuplex = ValueAs<bool>(values, 4);
    if (!state_.Idle()) {
        send(Letter::BusyNotice, 1, {account});
        log(QStringLiteral(" Inbound call attempt from outside number (line ") + lineText(account) +
            QStringLiteral("):") + outsideNumberLines(values));
        return;
    }
    startRinging(account, noticedAt,
                 QStringLiteral(" Inbound call from outside number (line ") + lineText(account) +
                     QStringLiteral("):") + outsideNumberLines(values) + QStringLiteral("..."));
}

void CallControl::startRinging(std::int32_t caller, std::int64_t noticedAt, const QString& logText)
{
    // The clock restarts only for a call that rings; a call refused busy leaves a running
    // talk's clock alone.
    state_.CallTimeBase = noticedAt;
    state_.PeerNumber = caller;
    state_.CallOwner = caller;
    send(Letter::RingingNotice, 1, {caller});
    log(logText);
    startSound(CallSound::RingIn, RingInIntervalMs);
    state_.Ringing = true;
    view_.setBalanceEnabled(false);
    view_.restoreWindow();
}

// ---- the buttons and timers ----

void CallControl::callClicked()
{
    if (state_.InTalk) {
        if (isOutsideLine(state_.PeerNumber))
            sendDtmf();
        return;
    }
    if (state_.Ringing) {
        stopSound();
        send(Letter::AnswerCall, 1, {state_.PeerNumber});
        return;
    }
    if (state_.Idle())
        dial();
}

void CallControl::sendDtmf()
{
    const std::uint64_t connection = state_.ConnectionsEnded;
    const QString entered = view_.inputBox(QStringLiteral("DTMF Mode"),
                                           QStringLiteral("Generate DTMF digits:"), QString());
    // The box is modal but the replies go on: digits for a talk that ended meanwhile have
    // no line to reach.
    if (!state_.InTalk || state_.ConnectionsEnded != connection)
        return;
    const QString digits = entered.left(MaxDtmfDigits);
    // A character outside ISO 8859-1 becomes '?', which is no digit either.
    const std::string bytes = digits.toLatin1().toStdString();
    for (char c : bytes)
        if (!isDtmfDigit(c))
            return;
    send(Letter::DtmfDigits, 2, {state_.PeerNumber, bytes});
    log(QStringLiteral(" DTMF digit generation: ") + digits);
}

void CallControl::dial()
{
    const std::uint64_t connection = state_.ConnectionsEnded;
    DialedNumber choice;
    if (!view_.runDialing(choice))
        return;
    // A call that rang in while the dialog was open wins; so does the end of the connection.
    if (!state_.Idle() || state_.ConnectionsEnded != connection)
        return;
    state_.PeerNumber = choice.number;
    if (choice.number > 0 && choice.number <= LastDialableClientID) {
        state_.CallOwner = shared_.OwnClientID;
        out_ = BuildMessage(Letter::CallRequest, 1, {state_.PeerNumber});
        state_.CallSentStamp = QueryCounter();
        SendWhole(out_, write_);
        state_.Calling = true;
        log(QStringLiteral(" Dialing Client_ID number ") + withContactNames(state_.PeerNumber) +
            QStringLiteral("..."));
        view_.setBalanceEnabled(false);
    } else if (!choice.localNumber.empty()) {
        state_.CallOwner = shared_.OwnClientID;
        if (choice.areaCode.empty())
            choice.areaCode = DefaultAreaCode;
        out_ = BuildMessage(Letter::OutsideCallRequest, 5,
                            {state_.PeerNumber, choice.countryCode, choice.areaCode,
                             choice.localNumber, state_.LineFullDuplex});
        state_.CallSentStamp = QueryCounter();
        SendWhole(out_, write_);
        state_.Calling = true;
        log(QStringLiteral(" Dialing outside phone number %1-%2-%3 (line %4)...")
                .arg(latin1(choice.countryCode), latin1(choice.areaCode),
                     latin1(choice.localNumber), lineText(state_.PeerNumber)));
        view_.setBalanceEnabled(false);
    } else {
        send(Letter::OrderQuery, 1, {state_.PeerNumber});
        log(QStringLiteral(" Querying orders (line ") + lineText(state_.PeerNumber) +
            QStringLiteral(")..."));
        view_.setCallButtonsEnabled(false);
    }
}

void CallControl::dropClicked()
{
    view_.setCallButtonsEnabled(true);
    const bool silent = state_.ErrorDrop || state_.RemoteDrop;
    if (state_.InTalk) {
        view_.stopRateTimer();
        view_.setTalkButtonEnabled(false);
        view_.setLevel(0);
        voice_->stopVoiceThreads();
        log(QStringLiteral(" Call terminated"));
        voice_->closeVoiceDevices();
        if (!silent)
            send(Letter::TalkEnd, 2, {state_.CallOwner, state_.PeerNumber});
        state_.ErrorDrop = false;
        state_.RemoteDrop = false;
        state_.InTalk = false;
        view_.setBalanceEnabled(true);
    } else if (state_.Calling || state_.Ringing) {
        if (!silent)
            send(Letter::CallCancel, 1, {state_.PeerNumber});
        state_.ErrorDrop = false;
        state_.RemoteDrop = false;
        stopSound();
        if (state_.Calling)
            state_.Calling = false;
        else
            state_.Ringing = false;
        log(QStringLiteral(" Call terminated"));
        view_.setBalanceEnabled(true);
    } else if (state_.BusyTone) {
        stopSound();
        state_.BusyTone = false;
        view_.setBalanceEnabled(true);
    }
}

void CallControl::talkPressed()
{
    if (!view_.talkButtonEnabled() || !state_.HalfDuplex)
        return;
    send(Letter::TalkButton, 1, {state_.PeerNumber});
    voice_->suspendListening();
    state_.TalkPressed = true;
}

void CallControl::talkReleased()
{
    if (!view_.talkButtonEnabled() || !state_.HalfDuplex)
        return;
    send(Letter::TalkButton, 1, {state_.PeerNumber});
    voice_->resumeListening();
    state_.TalkPressed = false;
    view_.setLevel(0);
}

void CallControl::soundTick()
{
    if (view_.soundTimerActive())
        view_.playSound(state_.CurrentSound);
}

void CallControl::rateTick()
{
    if (shared_.CounterAvailable)
        view_.setRates(QString::number(voice_->sendRate()) + QStringLiteral(" Hz"),
                       QString::number(voice_->recvRate()) + QStringLiteral(" Hz"));
    if (state_.HalfDuplex && state_.TalkPressed)
        view_.setLevel(voice_->micLevel());
}

void CallControl::dropBeforeClose()
{
    if (!state_.Calling && !state_.InTalk && !state_.Ringing)
        return;
    state_.RemoteDrop = false;
    dropClicked();
}

}  // namespace parlino
