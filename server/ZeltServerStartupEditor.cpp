// "Start Editor": the tables closed while the external table editor works on their files,
// then read in again. The listening socket and the talks in progress stay as they are.
#include "server/ZeltServerUnit1.h"

#include "platform/core/ProcessRunner.h"
#include "platform/ui/GuardedCall.h"
#include "platform/ui/WindowSystem.h"
#include "server/DataUnit2.h"

namespace parlino {

void TZeltServerForm1::BitBtn28Click()
{
    ui::runGuarded(*errors_, [this] {
        CloseTablesForEditor();
        const QString before = windowTitle();
        setWindowTitle(SavedCaption + QStringLiteral(" [Waiting]"));
        ui::flushWindowSystem();  // shown now, not once the wait is over
        // The wait keeps serving the relay thread's calls into this thread, so voice goes
        // on flowing; nothing else of the window runs until the editor has ended.
        if (!RunProcessAndWait(editorProgram_, editorDirectory_))
            setWindowTitle(before);  // nothing to wait for: reload at once
        ReloadTables();
        setWindowTitle(SavedCaption + QStringLiteral(" [Running]"));
    });
}

void TZeltServerForm1::CloseTablesForEditor()
{
    settleCallLogs();  // the editor may open the call logs
    TDataModule2& store = Store();
    for (int denomination = 0; denomination < 3; ++denomination) {
        store.CloseActivatedTable(denomination);
        store.ReleasedPins[denomination].Close();
        store.GeneratedPins[denomination].Close();
    }
    store.TalksTable.Close();
    store.CloseUsersTable();
}

}  // namespace parlino
