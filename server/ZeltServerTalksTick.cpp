// The billing tick: once a second while talks exist it watches each payer's voice, charges
// each talk's minute when its phase comes round, drops talks that went silent or ran out
// of money, and keeps the talks table in step with the talk list.
#include "server/ZeltServerUnit1.h"

#include "common/AccountNumbers.h"
#include "platform/core/Finally.h"
#include "platform/ui/GuardedCall.h"
#include "server/CopyRecords.h"
#include "server/DataUnit2.h"
#include "server/Money.h"
#include "server/StoreLayouts.h"
#include "server/StoreScopes.h"

#include <QThread>
#include <QTimer>

#include <algorithm>

namespace parlino {

namespace {

void AddOne(dataset::Dataset& table, const char* field)
{
    table.Edit();
    dataset::Field& counter = table.FieldByName(field);
    counter.SetAsInteger(counter.AsInteger() + 1);
    table.Post();
}

}  // namespace

void TZeltServerForm1::Timer1Timer()
{
    if (!Timer1->isActive())
        return;
    TDataModule2& store = Store();
    dataset::Dataset& talks = store.TalksTable;
    bool dropped = false;
    // An error ends this tick's work; the closing part below runs whatever happened.
    ui::runGuarded(*errors_, [&] {
        FixRecordFile critical(CriticalFixPath, FixRecordFile::Mode::Write);
        OpenForOneOperation carrier(store.CurDayCarrier);
        OpenForOneOperation kept(store.TempTalksTable);
        store.CurDayCarrier.Empty();
        store.TempTalksTable.Empty();
        Finally emptyTables([&] {
            store.TempTalksTable.Empty();
            store.CurDayCarrier.Empty();
        });
        // The current-day log too: each charged minute walks it row by row to save it.
        FrozenViews frozen({&talks, &store.ClientDataSet1, &store.CurServDay});
        QThread::yieldCurrentThread();
        ReadLockGuard lock(TalkLock);
        // Dropped talks leave empty slots behind; the survivors keep their order. Marked
        // changed while the relay thread still waits for the lock, so that its next cycle
        // already relays only the talks that are left.
        Finally compactList([&] {
            const auto end = std::remove(TalkList.begin(), TalkList.end(), nullptr);
            if (end != TalkList.end())
                TalksChanged = true;
            TalkList.erase(end, TalkList.end());
        });

        const std::size_t count = TalkList.size();
        for (std::size_t i = 0; i < count; ++i) {
            std::unique_ptr<TTalkRecord>& talk = TalkList[i];
            // Rows of the talks table stand in talk-list order; a talk whose row has gone
            // (a reload) is still billed.
            const bool hasRow = talks.Active() && static_cast<int>(i) < talks.RecordCount();
            if (hasRow)
                talks.MoveTo(static_cast<int>(i));

            // Only the payer's voice keeps a talk alive.
            TZeltIdSocketHandle* payerSocket = voiceSockets_.receiveHandle(talk->Payer);
            if (payerSocket && payerSocket->activityFlag.exchange(0) != 0) {
                talk->IdleSeconds = 0;
            } else if (++talk->IdleSeconds > MaxIdleSeconds) {
                ReleaseLogRows(*talk);
                talk.reset();
                dropped = true;
                continue;
            }

            if (talk->MinutePhase == SecondCounter) {
                if (hasRow)
                    AddOne(talks, "Duration");
                if (!hasFunds(ChargeMinute(*talk, critical))) {
                    ReleaseLogRows(*talk);
                    Deliver(talk->Payer, Letter::NoFunds);
                    Deliver(talk->Peer, Letter::NoFunds);
                    talk.reset();
                    dropped = true;
                    continue;
                }
            }

            if (hasRow) {
                store.TempTalksTable.Append();
                for (int field = 0; field < talks.FieldCount(); ++field)
                    store.TempTalksTable.FieldAt(field).SetValue(talks.FieldAt(field).GetValue());
                store.TempTalksTable.Post();
            }
        }

        if (dropped && talks.Active()) {
            talks.Empty();
            CopyRecords(store.TempTalksTable, talks,
                        MapFields(store.TempTalksTable, {"ID2ID", "IP2IP", "N2N", "Loc2Loc", "Duration"}));
        }
    });

    if (TalkList.empty()) {
        StopBilling();
        return;
    }
    SecondCounter = SecondCounter + 1 > 59 ? 0 : SecondCounter + 1;
}

double TZeltServerForm1::ChargeMinute(const TTalkRecord& talk, FixRecordFile& critical)
{
    TDataModule2& store = Store();
    dataset::Dataset& users = store.ClientDataSet1;
    dataset::Dataset& log = store.CurServDay;

    // A row handle outlives its row when a reload rebuilds the accounts: the minute is still
    // charged, only that log row can no longer count it.
    if (GotoLogRow(talk.Payer, talk.PayerLogRow)) {
        AddOne(log, "Duration");
        SaveCurrentDayLog(talk.Payer);
    }
    double balance = 0.0;
    if (store.GotoClient(UsersKeyed, talk.Payer)) {
        const double price = isOutsideLine(talk.Peer)
                                 ? LinePrices[outsideLineSlot(talk.Peer)]
                                 : NetPayPerMin;
        users.Edit();
        dataset::Field& minutes = users.FieldByName("CurServDayDur");
        minutes.SetAsInteger(minutes.AsInteger() + 1);
        dataset::Field& balanceField = users.FieldByName("Balance");
        balance = movedBalance(balanceField.AsFloat(), -price);
        balanceField.SetAsFloat(balance);
        critical.Seek(FixRecordOffset(talk.Payer) + FixBalanceOffset);
        WriteFixField(critical, balanceField, false);
        users.Post();
    }
    if (GotoLogRow(talk.Peer, talk.PeerLogRow)) {
        AddOne(log, "Duration");
        SaveCurrentDayLog(talk.Peer);
    }
    return balance;
}

}  // namespace parlino
