// A new server day: every account's call log rolled one day on and saved, the daily fee
// charged (and given back to the outside lines), the outgoing-minute sums recomputed.
#include "server/ZeltServerUnit1.h"

#include "common/AccountNumbers.h"
#include "platform/core/Finally.h"
#include "platform/dataset/DatasetErrors.h"
#include "platform/ui/ErrorDisplay.h"
#include "server/CopyRecords.h"
#include "server/CriticalFix.h"
#include "server/DataUnit2.h"
#include "server/Money.h"
#include "server/ServerDayMarker.h"
#include "server/StoreLayouts.h"
#include "server/StoreScopes.h"

#include <optional>
#include <stdexcept>
#include <vector>

namespace parlino {

namespace {
using dataset::Bookmark;
using dataset::Dataset;
using dataset::Field;

// Handles of every row in the current order, taken before a pass that may move rows.
std::vector<Bookmark> AllRows(Dataset& table)
{
    std::vector<Bookmark> rows;
    for (table.First(); !table.Eof(); table.Next())
        rows.push_back(table.GetBookmark());
    return rows;
}

FieldMap LogFields(const Dataset& source)
{
    return MapFields(source, {"ServerDay", "CallDate", "CallTime", "CallType", "Client_ID", "Duration"});
}

// The current users row's logs one day on: day 1 dropped, the current day appended as day 8,
// every row a day older; both log files written.
void RollOverLogs(TDataModule2& store, std::int32_t clientId)
{
    Dataset& prev7 = store.Prev7ServDays;
    Dataset& curDay = store.CurServDay;
    // History order puts the oldest day first.
    while (!prev7.IsEmpty()) {
        prev7.First();
        if (prev7.FieldByName("ServerDay").AsInteger() != 1)
            break;
        prev7.Delete();
    }
    CopyRecords(curDay, prev7, LogFields(curDay));
    for (const Bookmark& row : AllRows(prev7)) {
        prev7.GotoBookmark(row);
        prev7.Edit();
        Field& day = prev7.FieldByName("ServerDay");
        day.SetAsInteger(day.AsInteger() - 1);
        prev7.Post();
    }
    CopyRecords(prev7, store.Prev7Carrier, LogFields(prev7));
    store.Prev7Carrier.SaveToFile(Prev7LogFile(clientId));
    store.Prev7Carrier.Empty();
    curDay.Empty();
    store.CurDayCarrier.SaveToFile(CurDayLogFile(clientId));
}

// Writes the current users row's balance into the account's critical.fix record.
void WriteBalance(FixRecordFile& critical, Dataset& users)
{
    const std::int32_t clientId = users.FieldByName("Client_ID").AsInteger();
    if (clientId < FirstClientID || clientId > LastClientID)
        return;  // no record of its own in the file
    critical.Seek(FixRecordOffset(clientId) + FixBalanceOffset);
    WriteFixField(critical, users.FieldByName("Balance"), false);
}

// The outgoing minutes of the current account's previous days: the ">" group, first in
// OutIn order.
int OutgoingMinutes(Dataset& prev7)
{
    prev7.First();
    if (prev7.IsEmpty() || prev7.FieldByName("CallType").AsText() != ">")
        return 0;
    return prev7.AggregateValue("P7SDOutDur").ToInteger();
}

// The balance of an account after the day's fee, from its balance before the day: the
// outside lines are charged and given the fee back, as the day does it.
double BalanceAfterDay(std::int32_t clientId, double before, double fee)
{
    const double charged = movedBalance(before, -fee);
    return isOutsideLine(clientId) ? movedBalance(charged, fee) : charged;
}

// The day's fee of the current account, from its balance before the day, in the table and
// in critical.fix; the outgoing-minute sums of its logs afresh.
void ChargeDay(Dataset& users, Dataset& prev7, FixRecordFile& critical, double balance)
{
    const int outgoing = OutgoingMinutes(prev7);
    users.Edit();
    users.FieldByName("Balance").SetAsFloat(balance);
    users.FieldByName("Prev7ServDaysDur").SetAsInteger(outgoing);
    users.FieldByName("CurServDayDur").SetAsInteger(0);
    users.Post();
    WriteBalance(critical, users);
}

}  // namespace

void TZeltServerForm1::NewServerDay()
{
    settleCallLogs();  // no talk's save may land on a log already rolled over
    // A call log still waiting for room on the disk would be rolled over from the table
    // while its file stays behind: the day waits until every log is on the disk.
    if (const std::size_t unsaved = callLogSaver_.unsavedCount())
        throw std::runtime_error(std::to_string(unsaved) +
                                 " call logs are not saved yet: the new server day "
                                 "needs every call log on the disk");
    TDataModule2& store = Store();
    Dataset& users = store.ClientDataSet1;
    Dataset& prev7 = store.Prev7ServDays;
    Dataset& curDay = store.CurServDay;
    // Until the day is whole, the tables are part old, part new: only a Reload All, which
    // finishes the day from its record, makes them fit to run the server again.
    tablesLoaded_ = false;

    FixRecordFile critical(CriticalFixPath, FixRecordFile::Mode::Write);
    OpenForOneOperation prev7Carrier(store.Prev7Carrier);
    store.Prev7Carrier.Empty();
    OpenForOneOperation curDayCarrier(store.CurDayCarrier);
    store.CurDayCarrier.Empty();
    Finally closeCarriers([&] {
        store.CurDayCarrier.Empty();
        curDayCarrier.Close();
        store.Prev7Carrier.Empty();
        prev7Carrier.Close();
    });
    FrozenViews frozen({&users, &prev7, &curDay});

    // Handles, not a running cursor: a sort on Balance would move the rows being charged.
    const std::vector<Bookmark> accounts = AllRows(users);
    ServerDayMarker marker;
    marker.fee = PayPerDay;
    for (const Bookmark& account : accounts) {
        users.GotoBookmark(account);
        const std::int32_t clientId = users.FieldByName("Client_ID").AsInteger();
        marker.accounts.push_back(
            {clientId, users.FieldByName("Balance").AsFloat(), FileHash(Prev7LogFile(clientId))});
    }
    WriteServerDayMarker(ServerDayMarkerPath, marker);

    prev7.SetIndexName("P7SDHistoryIndex");
    curDay.SetIndexName("CurSDHistoryIndex");
    for (const Bookmark& account : accounts) {
        users.GotoBookmark(account);
        RollOverLogs(store, users.FieldByName("Client_ID").AsInteger());
    }

    prev7.SetIndexName("P7SDOutInIndex");
    curDay.SetIndexName("CurSDOutInIndex");
    for (std::size_t i = 0; i < accounts.size(); ++i) {
        users.GotoBookmark(accounts[i]);
        const ServerDayMarker::Account& account = marker.accounts[i];
        ChargeDay(users, prev7, critical,
                  BalanceAfterDay(account.clientId, account.balanceBefore, PayPerDay));
    }
    // The day's fees on the disk at once, not one balance at a time; then the day is done.
    critical.sync();
    RemoveServerDayMarker(ServerDayMarkerPath);
    tablesLoaded_ = true;
}

void TZeltServerForm1::finishInterruptedServerDay()
{
    const std::optional<ServerDayMarker> marker = ReadServerDayMarker(ServerDayMarkerPath);
    if (!marker)
        return;
    TDataModule2& store = Store();
    Dataset& users = store.ClientDataSet1;
    Dataset& prev7 = store.Prev7ServDays;
    Dataset& curDay = store.CurServDay;
    FixRecordFile critical(CriticalFixPath, FixRecordFile::Mode::Write);
    if (!critical.IsOpen())
        throw dataset::DatasetError(std::string(CriticalFixPath) +
                                    " cannot be written: the unfinished new server "
                                    "day cannot be finished");

    // Logs first, in history order, as the day rolls them.
    prev7.SetIndexName("P7SDHistoryIndex");
    curDay.SetIndexName("CurSDHistoryIndex");
    for (const ServerDayMarker::Account& account : marker->accounts) {
        if (!store.GotoClient(UsersKeyed, account.clientId))
            continue;  // no longer an account: nothing of it to finish
        if (FileHash(Prev7LogFile(account.clientId)) == account.prev7LogHash) {
            RollOverLogs(store, account.clientId);
        } else if (!curDay.IsEmpty()) {
            // Rolled over, but cut short before its current day was emptied.
            curDay.Empty();
            store.CurDayCarrier.SaveToFile(CurDayLogFile(account.clientId));
        }
    }
    prev7.SetIndexName("P7SDOutInIndex");
    curDay.SetIndexName("CurSDOutInIndex");
    int charged = 0;
    for (const ServerDayMarker::Account& account : marker->accounts) {
        if (!store.GotoClient(UsersKeyed, account.clientId))
            continue;
        ChargeDay(users, prev7, critical,
                  BalanceAfterDay(account.clientId, account.balanceBefore, marker->fee));
        ++charged;
    }
    if (!critical.sync())
        throw dataset::DatasetError(std::string(CriticalFixPath) +
                                    " did not take the fees of the unfinished new "
                                    "server day");
    RemoveServerDayMarker(ServerDayMarkerPath);
    errors_->post(QStringLiteral(
                      "The new server day that the program did not live to finish is finished now: "
                      "%1 accounts rolled over and charged the daily fee of %2 once.")
                      .arg(charged)
                      .arg(marker->fee),
                  QStringLiteral("Reload All"), ui::DialogIcon::Information, this);
}

}  // namespace parlino
