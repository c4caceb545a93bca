// The softphone window's part in calls: the Call, Drop and talk buttons, the two call timers
// and the server's messages past the sign-in. The work is CallControl's; this file gives it
// the window's controls.
#include "client/ZeltClientUnit1.h"

#include "client/DialUnit1.h"
#include "platform/audio/SoundPlayer.h"
#include "platform/audio/WaveAudio.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ErrorDisplay.h"

#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <span>

namespace parlino {

namespace {

class WindowCallView : public CallView {
public:
    WindowCallView(TZeltClientForm1& window, WaveAudio& audio, QString contactsFile,
                   std::function<bool(DialedNumber&, QStringList&)> dialing)
        : window_(window), audio_(audio), contactsFile_(std::move(contactsFile)),
          dialing_(std::move(dialing))
    {
    }

    void addLogEntry(const QString& text) override { window_.AddLogEntry(text); }
    void addInfoLine(const QString& text) override { window_.InfoMessage(text); }

    void setBalanceEnabled(bool enabled) override { window_.BitBtn2->setEnabled(enabled); }
    void setCallButtonsEnabled(bool enabled) override
    {
        for (QPushButton* button : {window_.BitBtn2, window_.BitBtn3, window_.BitBtn4})
            button->setEnabled(enabled);
    }
    void setTalkButtonEnabled(bool enabled) override { window_.SpeedButton1->setEnabled(enabled); }
    bool talkButtonEnabled() const override { return window_.SpeedButton1->isEnabled(); }
    void setLevel(int level) override { window_.ProgressBar1->setValue(level); }
    void setRates(const QString& sending, const QString& receiving) override
    {
        window_.Label2->setText(sending);
        window_.Label4->setText(receiving);
    }

    void startRateTimer() override { window_.Timer1->start(); }
    void stopRateTimer() override { window_.Timer1->stop(); }
    void startSoundTimer(int intervalMs) override { window_.Timer2->start(intervalMs); }
    void stopSoundTimer() override { window_.Timer2->stop(); }
    bool soundTimerActive() const override { return window_.Timer2->isActive(); }

    void playSound(CallSound sound) override
    {
        const QByteArray* image = nullptr;
        switch (sound) {
        case CallSound::RingIn: image = &window_.Shared().RingIn; break;
        case CallSound::Answer: image = &window_.Shared().Answer; break;
        case CallSound::Busy: image = &window_.Shared().Busy; break;
        case CallSound::None: break;
        }
        if (!image || image->isEmpty()) {
            audio_.soundPlayer().stop();
            return;
        }
        audio_.soundPlayer().play(
            std::span(reinterpret_cast<const std::uint8_t*>(image->constData()),
                      static_cast<std::size_t>(image->size())));
    }

    void restoreWindow() override
    {
        if (window_.isMinimized() || window_.isHidden())
            window_.N1Click();
    }

    bool runDialing(DialedNumber& choice) override
    {
        if (dialing_)
            return dialing_(choice, window_.Shared().Contacts);
        const DialChoice chosen = RunDialForm(window_.Shared().Contacts, contactsFile_, &window_);
        if (chosen.cancelled)
            return false;
        choice.number = chosen.number;
        choice.countryCode = chosen.countryCode.toLatin1().toStdString();
        choice.areaCode = chosen.areaCode.toLatin1().toStdString();
        choice.localNumber = chosen.localNumber.toLatin1().toStdString();
        return true;
    }

    QString inputBox(const QString& caption, const QString& prompt,
                     const QString& defaultText) override
    {
        return ui::InputBox(caption, prompt, defaultText).value_or(defaultText);
    }

private:
    TZeltClientForm1& window_;
    WaveAudio& audio_;
    QString contactsFile_;
    std::function<bool(DialedNumber&, QStringList&)> dialing_;
};

// The talk button's mouse press and release, wherever the mouse is when it is released.
class MouseButtonEvents : public QObject {
public:
    MouseButtonEvents(QObject* parent, std::function<void()> pressed,
                      std::function<void()> released)
        : QObject(parent), pressed_(std::move(pressed)), released_(std::move(released))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress)
            pressed_();
        else if (event->type() == QEvent::MouseButtonRelease)
            released_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> pressed_;
    std::function<void()> released_;
};

}  // namespace

void TZeltClientForm1::CreateCalls()
{
    callView_ = std::make_unique<WindowCallView>(*this, shared_.audio, setup_.files.contactsFile,
                                                 setup_.dialing);
    calls_ = std::make_unique<CallControl>(
        shared_, *callView_, signIn_->OutBuffer,
        [this](std::string_view bytes) { return ClientSocket1->sendText(bytes); });
    voice_ = std::make_unique<VoiceSession>(shared_, shared_.audio);
    // A voice thread's error is shown without holding up the thread.
    voice_->setErrorHook([this](const QString& text) { errors_->postError(text); });
    sessionVoice_ = std::make_unique<SessionVoice>(*voice_);
    calls_->setVoice(sessionVoice_.get());
    signIn_->onOtherMessage = [this](char letter, const MessageValues& values) {
        calls_->handleMessage(letter, values);
    };
    connect(BitBtn3, &QPushButton::clicked, this, &TZeltClientForm1::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TZeltClientForm1::BitBtn4Click);
    connect(Timer1, &QTimer::timeout, this, &TZeltClientForm1::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TZeltClientForm1::Timer2Timer);
    SpeedButton1->installEventFilter(new MouseButtonEvents(
        SpeedButton1, [this] { SpeedButton1MouseDown(); }, [this] { SpeedButton1MouseUp(); }));
}

void TZeltClientForm1::BitBtn3Click()
{
    calls_->callClicked();
}

void TZeltClientForm1::BitBtn4Click()
{
    calls_->dropClicked();
}

void TZeltClientForm1::SpeedButton1MouseDown()
{
    calls_->talkPressed();
}

void TZeltClientForm1::SpeedButton1MouseUp()
{
    calls_->talkReleased();
}

void TZeltClientForm1::Timer1Timer()
{
    calls_->rateTick();
}

void TZeltClientForm1::Timer2Timer()
{
    calls_->soundTick();
}

}  // namespace parlino
