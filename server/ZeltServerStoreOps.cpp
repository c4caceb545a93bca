// "Save Ncrit", the two sort buttons and "*": saving and ordering the accounts.
#include "server/ZeltServerUnit1.h"

#include "platform/core/Finally.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/GuardedCall.h"
#include "server/CopyRecords.h"
#include "server/CriticalFix.h"
#include "server/DataUnit2.h"
#include "server/StoreLayouts.h"
#include "server/StoreScopes.h"

namespace parlino {

namespace {
using dataset::Dataset;
using dataset::Field;

// Copies a nested log into its carrier and saves the carrier as the account's log file, also
// when the copy fails part way (the file then holds the rows copied so far).
void SaveLog(Dataset& log, Dataset& carrier, const std::string& path)
{
    FrozenViews frozen({&log});
    Finally save([&] { carrier.SaveToFile(path); });
    CopyRecords(log, carrier, MapByPosition(log, log.FieldCount()));
}
}  // namespace

void TZeltServerForm1::BitBtn23Click()
{
    ui::runGuarded(*errors_, [this] {
        TDataModule2& store = store_;
        Dataset& users = store.ClientDataSet1;
        OpenForOneOperation noncrit(store.NoncritTable);
        Finally closing([&] {
            noncrit.Close();
            for (int denomination = 0; denomination < 3; ++denomination) {
                const std::string prefix = PinPrefixes[denomination];
                store.ActivatedPins[denomination].SaveToFile(ActivatedPinFile(prefix));
                store.ReleasedPins[denomination].SaveToFile(ReleasedPinFile(prefix));
                store.GeneratedPins[denomination].SaveToFile(GeneratedPinFile(prefix));
            }
            DBGrid1->setFocus();
        });
        // A row still being edited is posted first: if it cannot be, nothing is replaced.
        if (users.Active() && users.State() != dataset::DatasetState::Browse)
            users.Post();
        store.NoncritTable.Empty();
        FrozenViews frozen({&users});
        // Rows go in the users table's current order, so a chosen sort order becomes the
        // order of the next reload.
        try {
            CopyRecords(users, store.NoncritTable,
                        MapFields(users, {"Client_ID", "IP_Address", "Name", "Loc", "Contact"}));
        } catch (...) {
            // A partial copy would lose every account after the failing row at the next
            // reload: the file keeps its previous rows instead.
            store.NoncritTable.LoadFromFile(NoncritFile);
            throw;
        }
    });
}

void TZeltServerForm1::BitBtn24Click()
{
    SortUsersBy("AscIndex");
}

void TZeltServerForm1::BitBtn25Click()
{
    SortUsersBy("DscIndex");
}

void TZeltServerForm1::SortUsersBy(const char* suffix)
{
    ui::runGuarded(*errors_, [this, suffix] {
        const Field* field = DBGrid1->SelectedField();
        if (field && field->Type() != dataset::FieldType::Nested)
            store_.ClientDataSet1.SetIndexName(field->Name() + suffix);
        DBGrid1->setFocus();
    });
}

void TZeltServerForm1::SpeedButton1Click()
{
    ui::runGuarded(*errors_, [this] {
        TDataModule2& store = store_;
        Dataset& users = store.ClientDataSet1;
        if (users.IsEmpty())
            return;  // no account to save
        const std::int32_t clientId = users.FieldByName("Client_ID").AsInteger();
        if (clientId < FirstClientID || clientId > LastClientID)
            throw dataset::DatasetError("Client_ID must be " + std::to_string(FirstClientID) +
                                        " to " + std::to_string(LastClientID));

        settleCallLogs();  // a talk's save of this log must not land after ours
        FixRecordFile critical(CriticalFixPath, FixRecordFile::Mode::Write);
        OpenForOneOperation prev7Carrier(store.Prev7Carrier);
        OpenForOneOperation curDayCarrier(store.CurDayCarrier);
        Finally emptyCarriers([&] {
            store.CurDayCarrier.Empty();
            curDayCarrier.Close();
            store.Prev7Carrier.Empty();
            prev7Carrier.Close();
        });
        FrozenViews frozen({&users});

        critical.Seek(FixRecordOffset(clientId));
        for (const char* name : {"Password", "Status", "Balance", "CardPIN"})
            WriteFixField(critical, users.FieldByName(name), true);
        Field& activated = users.FieldByName("ActivDateTime");
        if (activated.IsNull()) {
            users.Edit();
            activated.SetAsDateTime(store.Now());
            users.Post();
        }
        WriteFixField(critical, activated, true);

        SaveLog(store.Prev7ServDays, store.Prev7Carrier,
                Prev7LogFile(clientId));
        SaveLog(store.CurServDay, store.CurDayCarrier,
                CurDayLogFile(clientId));
    });
}

}  // namespace parlino
