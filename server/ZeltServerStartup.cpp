// Running the switch: the automatic start after start-up, "Start Server" with the settings
// file and the new-day question, "Stop Server", and what the window frees when it goes.
#include "server/ZeltServerUnit1.h"

#include "common/AccountNumbers.h"
#include "platform/core/ErrorText.h"
#include "platform/dataset/DatasetErrors.h"
#include "platform/dataset/TableFile.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/DataNavigator.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/GuardedCall.h"
#include "server/CriticalFix.h"
#include "server/DataUnit2.h"
#include "server/ServerSettings.h"
#include "server/StoreLayouts.h"
#include "server/StoreScopes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <stdexcept>
#include <vector>

namespace parlino {

namespace {

// The program's own path with its extension replaced by ".ini".
QString ProgramIniPath()
{
    const QFileInfo program(QCoreApplication::applicationFilePath());
    return program.dir().filePath(program.completeBaseName() + QStringLiteral(".ini"));
}

}  // namespace

void TZeltServerForm1::CreateStartup()
{
    iniFileName_ = ProgramIniPath();
    // The handler itself disables the timer, so it fires once, and a call after that
    // finds it disabled and does nothing.
    Timer2->setSingleShot(false);
    connect(Timer2, &QTimer::timeout, this, &TZeltServerForm1::Timer2Timer);
    connect(BitBtn26, &QPushButton::clicked, this, &TZeltServerForm1::BitBtn26Click);
    connect(BitBtn27, &QPushButton::clicked, this, &TZeltServerForm1::BitBtn27Click);
    connect(BitBtn28, &QPushButton::clicked, this, &TZeltServerForm1::BitBtn28Click);
    CreateTray();
}

void TZeltServerForm1::FormDestroy()
{
    // The relay thread ends here, before the lock it may hold goes with the window.
    try {
        DropAllTalks();
    } catch (const std::exception& error) {
        qWarning("%s", error.what());
    }
    TalkList.clear();
    voiceSockets_.clear();
    settleCallLogs();
}

void TZeltServerForm1::Timer2Timer()
{
    if (!Timer2->isActive())
        return;
    Timer2->stop();
    ui::runGuarded(*errors_, [this] {
        // Saves cut short when the last run was killed left their temporary files.
        for (const char* folder : DataFolders)
            dataset::removeInterruptedSaves(folder);
        // A reload that fails ends the start here: the server is not started.
        ReloadTables();
        EnableStoreControls();
        AutoStartPending = true;
        StartServer();
    });
}

void TZeltServerForm1::BitBtn26Click()
{
    ui::runGuarded(*errors_, [this] { StartServer(); });
}

void TZeltServerForm1::StartServer()
{
    // Whatever can refuse the start is looked at before anything changes: a refused start
    // leaves a running server running as it was.
    const ServerSettings settings = ReadServerSettings(iniFileName_.toStdString());
    CheckCanListen(static_cast<quint16>(settings.tcpPort));
    if (!tablesLoaded_)
        throw std::runtime_error("The tables are not loaded: click Reload All, then Start Server.");
    NetPayPerMin = settings.netPayPerMin;
    PayPerDay = settings.payPerDay;

    closeListeningSocket();
    DropAllTalks();
    SetEditingLocked(true);

    bool newDay = false;
    if (AutoStartPending) {
        AutoStartPending = false;
    } else {
        switch (ui::ShowMessage(QStringLiteral("Start New Server Day?"), QStringLiteral("Start Server"),
                                ui::DialogButtons::YesNo, ui::DialogIcon::Question)) {
        case ui::DialogAnswer::Yes:
            newDay = true;
            break;
        case ui::DialogAnswer::No:
            break;
        default:
            // The question was dismissed: the server stays down, and says so.
            setWindowTitle(SavedCaption + QStringLiteral(" [Stopped]"));
            return;
        }
    }
    // From here a failure leaves the server down in its stopped state, where Reload All
    // brings the tables back from their files once the cause is gone.
    const auto stopped = [this] {
        SetEditingLocked(false);
        setWindowTitle(SavedCaption + QStringLiteral(" [Stopped]"));
    };
    try {
        if (newDay)
            NewServerDay();
        ResetStatusesToOffline();
        Store().TalksTable.Empty();
        if (!ServerSocket1->Open(static_cast<quint16>(settings.tcpPort), listenAddress_))
            throw std::runtime_error("Cannot listen on TCP port " +
                                     std::to_string(settings.tcpPort) + ": " +
                                     ServerSocket1->ErrorString().toStdString());
    } catch (const dataset::SilentAbort&) {
        stopped();
        throw;
    } catch (...) {
        stopped();
        throw std::runtime_error(
            errorText(std::current_exception()).toStdString() +
            "\nThe server is stopped. Once the cause is gone (room made on the disk, "
            "for instance), click Reload All, then Start Server.");
    }
    setWindowTitle(SavedCaption + QStringLiteral(" [Running]"));
}

void TZeltServerForm1::CheckCanListen(quint16 port)
{
    // Our own socket on that port is closed and opened again; any other port is tried once.
    if (port == 0 || (ServerSocket1->Active() && ServerSocket1->Port() == port))
        return;
    QString error;
    if (!tcp::ServerWinSocket::CanOpen(port, listenAddress_, error))
        throw std::runtime_error("Cannot listen on TCP port " + std::to_string(port) + ": " +
                                 error.toStdString());
}

void TZeltServerForm1::ResetStatusesToOffline()
{
    dataset::Dataset& users = Store().ClientDataSet1;
    FixRecordFile critical(CriticalFixPath, FixRecordFile::Mode::Write);
    FrozenViews frozen({&users});
    // Every row is visited through a handle taken beforehand: with the grid sorted by
    // Status, an edited row moves and a running cursor would pass over others.
    std::vector<dataset::Bookmark> rows;
    for (users.First(); !users.Eof(); users.Next())
        rows.push_back(users.GetBookmark());
    for (const dataset::Bookmark& row : rows) {
        users.GotoBookmark(row);
        dataset::Field& status = users.FieldByName("Status");
        const std::string text = status.AsText();
        if (text == StatusOffline || text == StatusBanned)
            continue;
        users.Edit();
        status.SetAsText(StatusOffline);
        users.Post();
        // A row without a usable Client_ID has no record of its own in the file.
        const std::int32_t clientId = users.FieldByName("Client_ID").AsInteger();
        if (clientId < FirstClientID || clientId > LastClientID)
            continue;
        critical.Seek(FixRecordOffset(clientId) + FixStatusOffset);
        WriteFixField(critical, status, false);
    }
}

void TZeltServerForm1::BitBtn27Click()
{
    ui::runGuarded(*errors_, [this] {
        SetEditingLocked(false);
        closeListeningSocket();
        DropAllTalks();
        setWindowTitle(SavedCaption + QStringLiteral(" [Stopped]"));
    });
}

void TZeltServerForm1::SetEditingLocked(bool locked)
{
    for (QPushButton* button : {BitBtn22, BitBtn23, BitBtn24, BitBtn25})
        button->setEnabled(!locked);
    for (QPushButton* button : {BitBtn27, BitBtn28, BitBtn29})
        button->setEnabled(locked);
    DBGrid1->SetEditing(!locked);
    for (ui::DataGrid* grid : PinGrids())
        grid->SetEditing(!locked);
    SpeedButton1->setEnabled(!locked);
    for (QToolButton* button : PinButtons())
        button->setEnabled(!locked);
    for (ui::DataNavigator* navigator : {DBNavigator1, DBNavigator2, DBNavigator3})
        navigator->setEnabled(!locked);
}

}  // namespace parlino
