// The softphone's main window: the log, the information memo, the call buttons, the timers,
// the menu bar, the tray icon and the application's exception display.
//
// The window keeps its controls and handlers under their own names and leaves the work to
// plain classes: the objects shared for the whole run live in ClientShared, which the
// window owns and hands to the parts that need them by reference.
#pragma once

#include "client/CallControl.h"
#include "client/ClientShared.h"
#include "client/ClientStartup.h"
#include "client/MoneyAndOrders.h"
#include "client/SessionVoice.h"
#include "client/SignInSession.h"
#include "client/media/VoiceSession.h"
#include "platform/ui/ApplicationExceptions.h"

#include <QMainWindow>
#include <QUrl>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSystemTrayIcon;
class QTimer;
class QToolButton;

namespace parlino::ui {
class TrayPresence;
}  // namespace parlino::ui

namespace parlino {

namespace ui {
class ErrorDisplay;
}

class BoundedLog;
class LocalClock;

// What the window takes from its surroundings; the program uses the defaults.
struct ClientSetup {
    ClientStartupFiles files;
    // Opens a document with the desktop's handler; its outcome is not looked at.
    std::function<void(const QUrl&)> openDocument;
    // The settings file; empty: the one beside the program.
    QString iniFile;
    // Ends the program once the current event is done; empty: the application quits.
    std::function<void()> terminate;
    // Answers the Call button's dialing in place of the Dialing dialog (tests); true for OK.
    // Empty: the Dialing dialog.
    std::function<bool(DialedNumber&, QStringList& contacts)> dialing;
    // The clock an order table sets; null: the computer's own.
    std::shared_ptr<LocalClock> clock;
    // The sound devices, as PARLINO_AUDIO names them; nullopt reads the variable.
    std::optional<std::string> audioDevices;
};

class TZeltClientForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TZeltClientForm1(ClientSetup setup = {}, QWidget* parent = nullptr);
    ~TZeltClientForm1() override;

    ClientShared& Shared() { return shared_; }
    ui::ErrorDisplay& errorDisplay() const { return *errors_; }
    SignInSession& SignIn() { return *signIn_; }
    CallControl& Calls() { return *calls_; }
    MoneyAndOrders& Money() { return *money_; }
    VoiceSession& Voice() { return *voice_; }

    // ---- controls ----
    QLabel* Label1 = nullptr;                       // "Sending frequency:"
    QLabel* Label2 = nullptr;                       // its rate
    QLabel* Label3 = nullptr;                       // "Receiving frequency:"
    QLabel* Label4 = nullptr;                       // its rate
    QLabel* Label5 = nullptr;                       // "Signal level:"
    QProgressBar* ProgressBar1 = nullptr;           // microphone level 0..5
    QPlainTextEdit* Memo1 = nullptr;                // information
    QPlainTextEdit* Memo2 = nullptr;                // the log
    QToolButton* SpeedButton1 = nullptr;            // half-duplex talk button
    QPushButton* BitBtn1 = nullptr;                 // "Clear"
    QPushButton* BitBtn2 = nullptr;                 // "Balance"
    QPushButton* BitBtn3 = nullptr;                 // "Call"
    QPushButton* BitBtn4 = nullptr;                 // "Drop"
    QTimer* Timer1 = nullptr;                       // rate display, 120 ms
    QTimer* Timer2 = nullptr;                       // call-progress sound, 6000 ms
    QTimer* Timer3 = nullptr;                       // start-up, 1000 ms, fires once
    tcp::ClientWinSocket* ClientSocket1 = nullptr;  // the signalling connection
    QSystemTrayIcon* TrayIcon1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* N1 = nullptr;       // "Restore"
    QAction* N2 = nullptr;       // "-"
    QAction* N3 = nullptr;       // "Exit"
    QAction* Action1 = nullptr;  // "&Contacts..."
    QAction* Action2 = nullptr;  // "E&xit"
    QAction* Action3 = nullptr;  // "&Parlino Help"
    QAction* Action5 = nullptr;  // "&About..."

    // ---- handlers ----
    void FormCreate();
    bool FormCloseQuery();
    void FormDestroy();
    void BitBtn1Click();
    void Action1Execute();
    void Action2Execute();
    void Action3Execute();
    void Action5Execute();
    void N1Click();
    void N3Click();
    void Timer3Timer();
    bool ConnectToServer();
    void ClientSocket1Lookup();
    void ClientSocket1Connecting();
    void ClientSocket1Connect();
    void ClientSocket1Disconnect();
    void ClientSocket1Error(int& ErrorCode);
    void ClientSocket1Read();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void SpeedButton1MouseDown();
    void SpeedButton1MouseUp();
    void Timer1Timer();
    void Timer2Timer();
    void ApplicationEvents1Minimize();
    void ApplicationEvents1Restore();
    void ApplicationEvents1Exception(QWidget* control, const std::exception& error);

    // Inserts a log entry at the top: the time of day, then `text`, which begins with a blank.
    void AddLogEntry(const QString& text);
    // Inserts an information line right under the heading: today's date, a blank, `text`.
    void InfoMessage(const QString& text);

signals:
    // One second after start-up: time to run the connect sequence.
    void ConnectSequenceDue();
    // The window has closed; the program ends.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void CreateMenus();
    void CreateTray();
    void CreateConnection();
    void CreateCalls();
    void CreateMoney();

    ClientSetup setup_;
    ClientShared shared_;
    ui::ErrorDisplay* errors_;  // child of the window
    ui::ScopedApplicationExceptionHandler exceptionHandler_;
    std::unique_ptr<BoundedLog> log_;          // on Memo2
    std::unique_ptr<BoundedLog> information_;  // on Memo1
    std::unique_ptr<SignInView> signInView_;
    std::unique_ptr<SignInSession> signIn_;
    ui::TrayPresence* tray_ = nullptr;  // child of the window
    std::unique_ptr<CallView> callView_;
    // The talks' voice on shared_.audio; call control reaches it through the seam.
    std::unique_ptr<VoiceSession> voice_;
    std::unique_ptr<SessionVoice> sessionVoice_;
    std::unique_ptr<CallControl> calls_;
    std::unique_ptr<MoneyView> moneyView_;
    std::unique_ptr<MoneyAndOrders> money_;
};

}  // namespace parlino
