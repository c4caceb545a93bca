// The operator window: account, talk and PIN-card grids, the store buttons and the tray.
//
// Every control is a public member under its own name so that the handlers of the window,
// spread over several source files by subject, and the tests can reach it. Handlers are
// public, named after the control and the event. The window's state is private; tests reach
// it through ServerFormTestAccess (tests/server), its one friend.
#pragma once

#include "common/AccountNumbers.h"
#include "common/ZeltUtils.h"
#include "platform/dataset/BackgroundTableSaver.h"
#include "platform/dataset/Dataset.h"
#include "platform/tcp/ServerWinSocket.h"
#include "platform/thread/ReadWriteLock.h"
#include "server/CallAnswers.h"
#include "server/relay/VoiceSocketTables.h"
#include "server/TalkRecord.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>

class QAction;
class QGroupBox;
class QMenu;
class QLineEdit;
class QPushButton;
class QSystemTrayIcon;
class QTcpSocket;
class QTimer;
class QToolButton;

namespace parlino::ui {
class DataGrid;
class ErrorDisplay;
class DataNavigator;
class NestedGridPopup;
class TrayPresence;
enum class NavigateButton;
}  // namespace parlino::ui

namespace parlino {

class TDataModule2;
class TZeltServerClientWinSocket;

// How long one connection's messages may hold the main thread before the others get their
// turn; the rest of its input is handled from a queued continuation.
inline constexpr std::chrono::milliseconds InputTimeSlice{5};

class TZeltServerForm1 : public QMainWindow, public TalkPairSource {
    Q_OBJECT
public:
    explicit TZeltServerForm1(TDataModule2& store, QWidget* parent = nullptr);
    ~TZeltServerForm1() override;

    TDataModule2& Store() const { return store_; }
    // Where errors of socket, timer, thread and button handlers go: shown once the handler
    // has returned, and written to standard error.
    ui::ErrorDisplay& errorDisplay() const { return *errors_; }
    // Tells the operator, on a status line and on standard error, what limits the server
    // (how many subscribers the open-file limit lets it hold).
    void showCapacityWarning(const QString& text);

    // ---- controls ----
    QPushButton* BitBtn22 = nullptr;  // "Reload All"
    QPushButton* BitBtn23 = nullptr;  // "Save Ncrit"
    QPushButton* BitBtn24 = nullptr;  // "Sort Col Asc"
    QPushButton* BitBtn25 = nullptr;  // "Sort Col Dsc"
    QPushButton* BitBtn26 = nullptr;  // "Start Server"
    QPushButton* BitBtn27 = nullptr;  // "Stop Server"
    QPushButton* BitBtn28 = nullptr;  // "Start Editor", never shown
    QPushButton* BitBtn29 = nullptr;  // "Send Info"
    QLineEdit* Memo2 = nullptr;  // the one-line info text of "Send Info"

    QGroupBox* UserListGroup = nullptr;  // "User List"
    ui::DataGrid* DBGrid1 = nullptr;     // users
    QToolButton* SpeedButton1 = nullptr;  // "*"
    ui::DataNavigator* DBNavigator1 = nullptr;  // users table
    ui::DataNavigator* DBNavigator2 = nullptr;  // the nested log pop-ups

    QGroupBox* TalksGroup = nullptr;  // "Talks"
    ui::DataGrid* DBGrid11 = nullptr;

    // PIN cards: groups "10", "20", "50" with their activated, released and generated grids
    // (DBGrid2..DBGrid10) and the buttons ">", "<", "+", "-" (SpeedButton2..SpeedButton13).
    std::array<QGroupBox*, 3> PinGroups{};
    ui::DataGrid* DBGrid2 = nullptr;
    ui::DataGrid* DBGrid3 = nullptr;
    ui::DataGrid* DBGrid4 = nullptr;
    ui::DataGrid* DBGrid5 = nullptr;
    ui::DataGrid* DBGrid6 = nullptr;
    ui::DataGrid* DBGrid7 = nullptr;
    ui::DataGrid* DBGrid8 = nullptr;
    ui::DataGrid* DBGrid9 = nullptr;
    ui::DataGrid* DBGrid10 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    QToolButton* SpeedButton5 = nullptr;
    QToolButton* SpeedButton6 = nullptr;
    QToolButton* SpeedButton7 = nullptr;
    QToolButton* SpeedButton8 = nullptr;
    QToolButton* SpeedButton9 = nullptr;
    QToolButton* SpeedButton10 = nullptr;
    QToolButton* SpeedButton11 = nullptr;
    QToolButton* SpeedButton12 = nullptr;
    QToolButton* SpeedButton13 = nullptr;
    ui::DataNavigator* DBNavigator3 = nullptr;  // the PIN grid that last got the focus

    QTimer* Timer1 = nullptr;  // billing tick, 1000 ms, stopped
    QTimer* Timer2 = nullptr;  // start-up, 1000 ms, single shot
    QSystemTrayIcon* TrayIcon1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Restore1 = nullptr;   // "Restore", the default item
    QAction* StopExit1 = nullptr;  // "Stop && Exit"

    // The nine PIN grids in group order (activated, released, generated per group) and the
    // twelve PIN buttons in group order (">", "<", "+", "-" per group).
    std::array<ui::DataGrid*, 9> PinGrids() const;
    std::array<QToolButton*, 12> PinButtons() const;
    // The grid a PIN grid or PIN button is linked to: released <-> generated grid, ">" to
    // its released grid, "<", "+", "-" to their generated grid. nullptr for anything else.
    ui::DataGrid* Partner(const QObject* control) const;

    // The nested log pop-ups, made on first use and only hidden afterwards.
    ui::NestedGridPopup* Prev7ServDaysPopup = nullptr;
    ui::NestedGridPopup* CurServDayPopup = nullptr;
    ui::DataGrid* Prev7ServDaysGrid = nullptr;
    ui::DataGrid* CurServDayGrid = nullptr;

    // ---- signalling (ZeltServerSignalling.cpp) ----
    tcp::ServerWinSocket* ServerSocket1 = nullptr;  // listening socket, closed at creation

    std::unique_ptr<tcp::ServerClientWinSocket> ServerSocket1GetSocket(QTcpSocket* socket);
    void ServerSocket1ClientRead(tcp::ServerClientWinSocket& socket);
    void ServerSocket1ClientDisconnect(tcp::ServerClientWinSocket& socket);

    // ---- talks and billing (ZeltServerTalks.cpp) ----
    // Any thread: the talks as last published by markTalksChanged.
    std::vector<TTalkPair> currentTalkPairs() const override;
    void TalkStart(TZeltServerClientWinSocket& connection, const MessageValues& values);  // "S"
    void TalkEnd(TZeltServerClientWinSocket& connection, const MessageValues& values);    // "T"
    void Timer1Timer();  // the billing tick
    // Stops the relay thread and forgets every talk, telling nobody; the next tick stops
    // Timer1 and restores the priority. The talks table is left to the caller.
    void DropAllTalks();

    // ---- PIN cards, top-up and balance (ZeltServerPins*.cpp) ----
    // The PIN buttons of all three groups: Sender is the clicked button, whose partner link
    // leads to its group's tables.
    void SpeedButton2Click(QObject* Sender);  // ">" Remove from released
    void SpeedButton3Click(QObject* Sender);  // "<" Move to released
    void SpeedButton4Click(QObject* Sender);  // "+" Generate
    void SpeedButton5Click(QObject* Sender);  // "-" Delete
    void DBGrid2Enter(QObject* Sender);       // the focus entered one of the nine PIN grids

    // ---- start-up, tray, Start/Stop, server day (ZeltServerStartup*.cpp, ZeltServerServerDay.cpp)
    // The program's start: the window hidden behind the tray icon, or minimised where there
    // is no notification area to hold the icon.
    void StartInTray();
    void FormDestroy();
    void Timer2Timer();     // one second after start: Reload All, then Start Server
    void BitBtn26Click();   // Start Server
    void BitBtn27Click();   // Stop Server
    void BitBtn28Click();   // Start Editor
    void Restore1Click();   // tray menu "Restore"
    void StopExit1Click();  // tray menu "Stop && Exit"
    void ApplicationEvents1Minimize();
    void ApplicationEvents1Restore();

signals:
    void Closed();  // the operator closed the window: the program ends

protected:
    void closeEvent(QCloseEvent* event) override;

public slots:
    void FormCreate();
    void BitBtn22Click();  // Reload All
    void BitBtn23Click();  // Save Ncrit
    void BitBtn24Click();  // Sort Col Asc
    void BitBtn25Click();  // Sort Col Dsc
    void SpeedButton1Click();  // save the *-fields of the current account
    void DBGrid1EditButtonClick();
    void DBNavigator2Click(parlino::ui::NavigateButton button);
    void Prev7ServDaysWndProc();  // its pop-up was activated
    void CurServDayWndProc();
    void BitBtn29Click();  // Send Info

private:
    // Signalling (ZeltServerSignalling.cpp).
    void CreateSignalling();
    // Handles the connection's whole messages for one time slice (at least one message).
    void handleInput(TZeltServerClientWinSocket& connection);
    void HandleClientMessage(TZeltServerClientWinSocket& connection, char letter,
                             const MessageValues& values);
    void SignIn(TZeltServerClientWinSocket& connection, const MessageValues& values);
    void CheckAndForwardCall(TZeltServerClientWinSocket& connection, char letter,
                             const MessageValues& values);
    void RelayToTarget(TZeltServerClientWinSocket& connection, char letter,
                       const MessageValues& values);
    void OfferPrice(TZeltServerClientWinSocket& connection, const MessageValues& values);
    TZeltServerClientWinSocket* ConnectionOf(std::int32_t clientId) const;
    void Reply(TZeltServerClientWinSocket& connection, char letter, int count = 0,
               const MessageValues& values = {});
    void Deliver(std::int32_t clientId, char letter, int count = 0, const MessageValues& values = {});
    void SendMessageTo(tcp::ServerClientWinSocket* connection, char letter, int count,
                       const MessageValues& values);
    // Closes the listening socket and with it every connection, changing no status.
    void closeListeningSocket();

    // Talks and billing (ZeltServerTalks*.cpp).
    void CreateTalks();
    void StartBilling();  // the first talk: priority, counter, Timer1, relay thread
    void StopBilling();   // the last talk gone: Timer1, relay thread, priority
    void StopRelayThread();
    // Publishes TalkList's pairs for the relay thread and sets TalksChanged.
    void markTalksChanged();
    // Reads and clears the payers' activity flags under TalkLock, in TalkList order; the
    // lock is held for nothing else, so the relay keeps its pace while the tick charges.
    std::vector<bool> takePayerActivity();
    // The talk the subscriber takes part in, as payer or peer; nullptr for none.
    const TTalkRecord* talkOf(std::int32_t clientId) const;
    void ReleaseLogRows(TTalkRecord& talk);
    // Moves the users table to the account and its current-day log to the row; false when
    // either no longer exists (a reload rebuilds every row).
    bool GotoLogRow(std::int32_t clientId, const dataset::Bookmark& logRow);
    // Hands the current users row's current-day log, copied through the carrier, to the
    // call-log saver as that account's file.
    void SaveCurrentDayLog(std::int32_t clientId);
    // Waits until the call logs handed over so far were written (or failed and were reported):
    // before anything else reads or writes those files.
    void settleCallLogs();
    // One talk's minute: Duration + 1 on its talks row and both log rows, the payer charged.
    // Returns the payer's balance after the charge.
    double ChargeMinute(const TTalkRecord& talk, FixRecordFile& critical);

    // PIN cards, top-up and balance (ZeltServerPins*.cpp).
    void CreatePins();
    void TopUp(TZeltServerClientWinSocket& connection, const MessageValues& values);  // "p"
    // Finishes the top-ups a killed program left half done: a card still released under
    // the PIN that an account's record names was credited but not yet moved.
    void completeInterruptedTopUps();
    void ReportBalance(TZeltServerClientWinSocket& connection);                       // "b"

    // Start-up, Start/Stop, Start Editor and the server day (ZeltServerStartup*.cpp,
    // ZeltServerServerDay.cpp).
    void CreateStartup();
    void CreateTray();
    void StartServer();  // the work of "Start Server"; raises what stops it
    // Raises when the listening socket could not be opened on the port.
    void CheckCanListen(quint16 port);
    void SetEditingLocked(bool locked);
    void ResetStatusesToOffline();
    void CloseTablesForEditor();
    void NewServerDay();
    // Finishes a new server day that the program did not live to finish (its record is
    // still on the disk): every account rolled over and charged exactly once.
    void finishInterruptedServerDay();

    void CreateControls();     // ZeltServerLayout.cpp
    void BindTables();         // ZeltServerLayout.cpp
    void ReloadTables();       // ZeltServerReload.cpp: steps 1 to 11 of Reload All
    void EnableStoreControls();  // after a completed Reload All
    void SortUsersBy(const char* suffix);
    ui::NestedGridPopup* OpenLogPopup(dataset::Dataset& nested, const QPoint& clientPoint);

    friend class ServerFormTestAccess;

    // ---- state ----
    QString SavedCaption;  // the caption at creation; state captions extend it

    // Signalling.
    // Per Client_ID (slot Client_ID - 1, 1 to 1001) the connection of its last accepted
    // sign-in; the entry empties itself when that connection object is freed.
    std::array<QPointer<TZeltServerClientWinSocket>, MaxVoiceClientId> ClientSockets;
    // UDPReceiveHandles and UDPSendHandles: the voice sockets of every subscriber.
    VoiceSocketTables voiceSockets_;
    // Price per minute of each outside line 801 to 899 (slot Client_ID - 801), as last offered.
    std::array<double, OutsideLineCount> LinePrices{};
    ByteString OutBuffer;  // every message the server sends is built here
    // The answers relayed to callers, each good for one talk start.
    CallAnswers callAnswers_;
    // Guards voiceSockets_ with its buffers and activity flags; see VoiceSocketTables.h.
    ReadWriteLock TalkLock;

    // Talks and billing.
    // Talks in progress, oldest first; entry n describes row n + 1 of the talks table.
    // Main thread only.
    std::vector<std::unique_ptr<TTalkRecord>> TalkList;
    // Set whenever TalkList gains or loses entries (after the talks are published for the
    // relay); the relay thread's SyncTalks clears it.
    std::atomic<bool> TalksChanged{false};
    std::int32_t SecondCounter = 0;  // 0..59, moved on by every tick that leaves talks
    // Exists exactly while TalkList holds talks.
    std::unique_ptr<TZeltUDPListenerThread> RelayThread;
    double NetPayPerMin = 0.0;  // "Net pay per min", set by Start Server
    static constexpr std::int32_t MaxIdleSeconds = 59;

    // PIN cards.
    // The program's pseudo-random state; "Generate" seeds it anew for every PIN.
    std::uint32_t RandomState = 0;

    // Start-up, tray, Start/Stop.
    // The settings file that every Start Server reads (never writes): the program's own path
    // with ".ini"; tests point it elsewhere.
    QString iniFileName_;
    // The address the listening socket is opened on.
    QHostAddress listenAddress_ = QHostAddress::AnyIPv4;
    // The external table editor, relative to our current directory, and where it runs.
    std::string editorProgram_ = "../ZeltEditor/ZeltEditorProject";
    std::string editorDirectory_ = "../ZeltEditor";
    double PayPerDay = 0.0;        // "Pay per day", set by Start Server
    bool AutoStartPending = true;  // the next Start Server takes "No" without asking
    // The last Reload All completed: the tables hold every account, and the server may start.
    bool tablesLoaded_ = false;
    bool StartHidden = true;       // until the operator first restores the window

    TDataModule2& store_;
    ui::ErrorDisplay* errors_;  // child of the window
    ui::TrayPresence* tray_ = nullptr;  // child of the window
    std::map<const QObject*, ui::DataGrid*> partners_;
    bool closingListener_ = false;  // set while closeListeningSocket runs
    // The talks as the relay thread sees them. Taken by the main thread to publish and by
    // the relay thread to copy; nothing else is done while holding it.
    mutable std::mutex publishedTalksMutex_;
    std::vector<TTalkPair> publishedTalks_;
    // Writes the current-day call logs of talk starts and charges off the main thread: at
    // 450 talks a charged minute rewrites 900 files, which took the main thread a second.
    dataset::BackgroundTableSaver callLogSaver_;
};

}  // namespace parlino
