// "Reload All": every table rebuilt in memory from its file, the users table from noncrit.cds,
// critical.fix and each account's two log files.
#include "server/ZeltServerUnit1.h"

#include "platform/ui/GuardedCall.h"
#include "server/CopyRecords.h"
#include "server/CriticalFix.h"
#include "server/DataUnit2.h"
#include "server/StoreLayouts.h"
#include "server/StoreScopes.h"

#include <filesystem>
#include <string>

namespace parlino {

namespace {
using dataset::Dataset;
using dataset::Field;
using dataset::FieldType;

// Two one-field indexes per sortable column: "<field>AscIndex" and "<field>DscIndex"; texts
// compare without case.
void AddSortIndexes(Dataset& users)
{
    for (int column = 0; column < users.FieldCount(); ++column) {
        const Field& field = users.FieldAt(column);
        if (field.Type() == FieldType::Nested)
            continue;
        const std::string& name = field.Name();
        const std::string noCase = field.Type() == FieldType::Text ? name : std::string();
        users.AddIndex({name + "AscIndex", name, "", noCase});
        users.AddIndex({name + "DscIndex", name, name, noCase});
    }
}

void AddLogIndexes(Dataset& log, const std::string& prefix)
{
    log.AddIndex({prefix + "HistoryIndex", "ServerDay;CallDate;CallTime", "", ""});
    log.AddIndex({prefix + "OutInIndex", "CallType;ServerDay;CallDate;CallTime", "CallType", ""});
    log.SetIndexName(prefix + "OutInIndex");
}

// Fills one nested log of the row being built from the account's log file and returns the
// account's outgoing minutes in it: the sum of the ">" group, which comes first in OutIn order.
// Bytes the call-log saver still holds for the file are newer than the file and stand for it.
int LoadLog(Dataset& carrier, const std::string& path, Dataset& log, const std::string& sumName,
            const dataset::BackgroundTableSaver& saver)
{
    if (const auto held = saver.unsavedBytes(std::filesystem::absolute(path).string()))
        carrier.LoadFromBytes(*held, path);
    else
        carrier.LoadFromFile(path);
    CopyRecords(carrier, log, MapByPosition(carrier, carrier.FieldCount()));
    carrier.Empty();
    log.First();
    if (log.IsEmpty() || log.FieldByName("CallType").AsText() != ">")
        return 0;
    return log.AggregateValue(sumName).ToInteger();
}

}  // namespace

void TZeltServerForm1::BitBtn22Click()
{
    ui::runGuarded(*errors_, [this] {
        ReloadTables();
        EnableStoreControls();
    });
}

void TZeltServerForm1::ReloadTables()
{
    settleCallLogs();  // the logs are read back from their files (or the saver's bytes) below
    tablesLoaded_ = false;
    TDataModule2& store = store_;
    Dataset& users = store.ClientDataSet1;

    // 1-3: the card tables, the talks table and the users table, closed and opened again.
    for (int denomination = 0; denomination < 3; ++denomination) {
        store.CloseActivatedTable(denomination);
        store.ActivatedPins[denomination].Open();
        for (Dataset* table : {&store.ReleasedPins[denomination], &store.GeneratedPins[denomination]}) {
            table->Close();
            table->Open();
        }
    }
    store.TalksTable.Close();
    store.TalksTable.Open();
    // A row left half-built by a failed reload (or an edit in progress) is dropped rather
    // than posted: the table is rebuilt anyway, and posting it could fail again for good.
    for (Dataset* table : {&store.CurServDay, &store.Prev7ServDays, &users})
        if (table->Active())
            table->Cancel();
    store.CloseUsersTable();
    users.Open();

    // 4-5: sort indexes on the users table, history and OutIn indexes on the logs.
    AddSortIndexes(users);
    Dataset& prev7 = store.Prev7ServDays;
    Dataset& curDay = store.CurServDay;
    AddLogIndexes(prev7, "P7SD");
    AddLogIndexes(curDay, "CurSD");

    // 6-7: the sources of the users rows.
    FixRecordFile critical(CriticalFixPath, FixRecordFile::Mode::Read);
    OpenForOneOperation noncrit(store.NoncritTable);
    OpenForOneOperation prev7Carrier(store.Prev7Carrier);
    OpenForOneOperation curDayCarrier(store.CurDayCarrier);
    store.Prev7Carrier.Empty();
    store.CurDayCarrier.Empty();

    // 8-11: the rows built with every bound view frozen; the views are released, the sources
    // closed, whatever happens.
    FrozenViews frozen({&users, &prev7, &curDay, &store.ActivatedPins[0], &store.ActivatedPins[1],
                        &store.ActivatedPins[2]});
    Dataset& source = store.NoncritTable;
    static constexpr const char* SourceFields[] = {"Client_ID", "IP_Address", "Name", "Loc", "Contact"};
    for (source.First(); !source.Eof(); source.Next()) {
        const int clientId = source.FieldByName("Client_ID").AsInteger();
        critical.Seek(FixRecordOffset(clientId));
        users.Append();
        for (const char* name : {"Password", "Status", "Balance", "CardPIN", "ActivDateTime"})
            ReadFixField(critical, users.FieldByName(name));
        for (const char* name : SourceFields)
            users.FieldByName(name).SetValue(source.FieldByName(name).GetValue());
        users.FieldByName("Prev7ServDaysDur")
            .SetAsInteger(LoadLog(store.Prev7Carrier, Prev7LogFile(clientId), prev7, "P7SDOutDur",
                                  callLogSaver_));
        users.FieldByName("CurServDayDur")
            .SetAsInteger(LoadLog(store.CurDayCarrier, CurDayLogFile(clientId), curDay,
                                  "CurSDOutDur", callLogSaver_));
        users.Post();
    }
    for (int denomination = 0; denomination < 3; ++denomination)
        store.FillClientIDIndex(Activated080Keyed + denomination);
    critical.Close();  // a new server day left unfinished writes it
    finishInterruptedServerDay();
    completeInterruptedTopUps();
    tablesLoaded_ = true;
}

}  // namespace parlino
