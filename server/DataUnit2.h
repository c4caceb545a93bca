// The table store: every table the server keeps, the Client_ID slots of the keyed tables
// and the handlers shared by those tables. Main thread only.
#pragma once

#include "common/AccountNumbers.h"
#include "platform/dataset/Dataset.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace parlino {

// Slot Client_ID - 1 holds the handle of the row with that Client_ID, or a null handle.
using ClientIDIndex = std::array<dataset::Bookmark, ClientIDSlotCount>;

// The four keyed tables, in the order of ClientIDIndexes and PreEditClientID.
enum KeyedTable : int { UsersKeyed = 0, Activated080Keyed = 1, Activated250Keyed = 2, Activated500Keyed = 3 };
inline constexpr int KeyedTableCount = 4;

class TDataModule2 {
public:
    TDataModule2();   // runs DataModuleCreate; every table closed
    ~TDataModule2();  // runs DataModuleDestroy
    TDataModule2(const TDataModule2&) = delete;
    TDataModule2& operator=(const TDataModule2&) = delete;

    // ---- tables (file names set, all closed at creation) ----
    dataset::Dataset ClientDataSet1;      // users table, "USERINFO/summary.cds" (layout only)
    dataset::Dataset& Prev7ServDays;      // users' nested log of the previous seven days;
                                          // aggregate "P7SDOutDur" over "P7SDOutInIndex"
    dataset::Dataset& CurServDay;         // users' nested log of the current day;
                                          // aggregate "CurSDOutDur" over "CurSDOutInIndex"
    dataset::Dataset NoncritTable;        // "USERINFO/noncrit.cds"
    dataset::Dataset Prev7Carrier;        // "USERLOGS/000_p7sd.cds", loads/saves "<id>_p7sd.cds"
    dataset::Dataset CurDayCarrier;       // "USERLOGS/000cursd.cds", loads/saves "<id>cursd.cds"
    dataset::Dataset TalksTable;          // "USERLOGS/000__tlk.cds"
    dataset::Dataset TempTalksTable;      // "USERLOGS/000__tmp.cds"
    // PIN cards per denomination, in the order of PinPrefixes ("080", "250", "500").
    std::array<dataset::Dataset, 3> ActivatedPins;  // "<p>__act.cds", keyed by Client_ID
    std::array<dataset::Dataset, 3> ReleasedPins;   // "<p>_rel.cds"
    std::array<dataset::Dataset, 3> GeneratedPins;  // "<p>gen.cds"

    // ---- Client_ID slots ----
    std::array<ClientIDIndex, KeyedTableCount> ClientIDIndexes;
    // The Client_ID the row being edited had when the edit began; 0 when none.
    std::array<std::int32_t, KeyedTableCount> PreEditClientID{};

    dataset::Dataset& KeyedDataset(int keyed);            // UsersKeyed -> ClientDataSet1, ...
    int KeyedTableOf(const dataset::Dataset& table) const;  // -1 for other tables
    // The slot of a Client_ID (1 to 1001), nullptr outside that range.
    dataset::Bookmark* Slot(int keyed, std::int32_t clientId);
    // Moves the keyed table to the row of clientId through its slot; false when the slot is
    // empty or its handle no longer valid.
    bool GotoClient(int keyed, std::int32_t clientId);
    // Releases every handle of the table's slots and empties them.
    void ReleaseClientIDIndex(int keyed);
    // From the first row to the end: slot[Client_ID - 1] := the row's handle, without the
    // duplicate check (a later row of the same Client_ID wins). Rows whose Client_ID is
    // outside 101 to 1000 get no slot.
    void FillClientIDIndex(int keyed);
    // Closes the users table as a reload needs it: slots released and emptied, the default
    // order in it and both nested logs, emptied, closed (summary.cds gets the empty table).
    void CloseUsersTable();
    // Closes an activated-card table (0 to 2) after releasing and emptying its slots.
    void CloseActivatedTable(int denomination);

    // ---- handlers ----
    void DataModuleCreate();
    void DataModuleDestroy();
    void ClientDataSet1BeforeDelete(dataset::Dataset& dataSet);
    void ClientDataSet1AfterEdit(dataset::Dataset& dataSet);
    void ClientDataSet1Client_IDValidate(dataset::Field& sender, const dataset::Value& value);
    void ClientDataSet1AfterCancel(dataset::Dataset& dataSet);
    void ClientDataSet1AfterPost(dataset::Dataset& dataSet);

    // Lets the main window finish its pending repaint before a message box; may be empty.
    std::function<void()> FinishPendingRepaint;
    // Shows the operator a message box captioned "Error"; the window installs it. Without
    // it the message goes to standard error only.
    std::function<void(const QString& text)> showErrorMessage;
    // The current date-time (days since 30 Dec 1899); tests replace it.
    std::function<double()> Now;
};

// The system clock as days since 30 December 1899, local time.
double SystemDateTimeNow();

}  // namespace parlino
