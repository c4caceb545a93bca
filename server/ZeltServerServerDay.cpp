// A new server day: every account's call log rolled one day on and saved, the daily fee
// charged (and given back to the outside lines), the outgoing-minute sums recomputed.
#include "server/ZeltServerUnit1.h"

#include "common/AccountNumbers.h"
#include "platform/core/Finally.h"
#include "server/CopyRecords.h"
#include "server/CriticalFix.h"
#include "server/DataUnit2.h"
#include "server/Money.h"
#include "server/StoreLayouts.h"
#include "server/StoreScopes.h"

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

void AddToBalance(Dataset& users, double amount)
{
    Field& balance = users.FieldByName("Balance");
    balance.SetAsFloat(movedBalance(balance.AsFloat(), amount));
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

}  // namespace

void TZeltServerForm1::NewServerDay()
{
    settleCallLogs();  // no talk's save may land on a log already rolled over
    TDataModule2& store = Store();
    Dataset& users = store.ClientDataSet1;
    Dataset& prev7 = store.Prev7ServDays;
    Dataset& curDay = store.CurServDay;

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
    prev7.SetIndexName("P7SDHistoryIndex");
    curDay.SetIndexName("CurSDHistoryIndex");
    for (const Bookmark& account : accounts) {
        users.GotoBookmark(account);
        RollOverLogs(store, users.FieldByName("Client_ID").AsInteger());
    }

    prev7.SetIndexName("P7SDOutInIndex");
    curDay.SetIndexName("CurSDOutInIndex");
    for (const Bookmark& account : accounts) {
        users.GotoBookmark(account);
        const int outgoing = OutgoingMinutes(prev7);
        users.Edit();
        AddToBalance(users, -PayPerDay);
        users.FieldByName("Prev7ServDaysDur").SetAsInteger(outgoing);
        users.FieldByName("CurServDayDur").SetAsInteger(0);
        users.Post();
        WriteBalance(critical, users);
    }

    // The outside lines pay no daily fee: theirs is given back.
    for (std::int32_t line = FirstOutsideLine; line <= LastOutsideLine; ++line) {
        if (!store.GotoClient(UsersKeyed, line))
            continue;
        users.Edit();
        AddToBalance(users, PayPerDay);
        users.Post();
        WriteBalance(critical, users);
    }
    critical.sync();  // the day's fees on the disk at once, not one balance at a time
}

}  // namespace parlino
