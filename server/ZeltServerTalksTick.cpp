// The billing tick: once a second while talks exist it watches each payer's voice, charges
// each talk's minute when its phase comes round, drops talks that went silent or ran out
// of money, and keeps the talks table in step with the talk list.
//
// TalkLock is held only while the payers' activity flags are read and cleared. The charges
// guard nothing the relay uses (the talk list, the tables and the files are the main
// thread's), and under the lock they would silence every talk for as long as they take.
// A charge's balance is in critical.fix, synced once for the tick, before the tick returns
// (the relay does not wait for it: it needs no lock the tick holds); both call logs go to the
// call-log saver, whose thread writes them at once (at 450 talks a charged minute rewrites
// 900 files, a second's work that would otherwise hold up every sign-in and talk start).
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

std::vector<bool> TZeltServerForm1::takePayerActivity()
{
    std::vector<bool> spoke(TalkList.size(), false);
    QThread::yieldCurrentThread();
    ReadLockGuard lock(TalkLock);
    for (std::size_t i = 0; i < TalkList.size(); ++i) {
        TZeltIdSocketHandle* payerSocket = voiceSockets_.receiveHandle(TalkList[i]->Payer);
        spoke[i] = payerSocket && payerSocket->activityFlag.exchange(0) != 0;
    }
    return spoke;
}

void TZeltServerForm1::Timer1Timer()
{
    if (!Timer1->isActive())
        return;
    TDataModule2& store = Store();
    dataset::Dataset& talks = store.TalksTable;
    bool dropped = false;
    // An error ends this tick's work; the closing part below runs whatever happened.
    ui::runGuarded(*errors_, [&] {
        // Only the payer's voice keeps a talk alive.
        const std::vector<bool> spoke = takePayerActivity();
        FixRecordFile critical(CriticalFixPath, FixRecordFile::Mode::Write);
        OpenForOneOperation carrier(store.CurDayCarrier, OpenForOneOperation::WriteBack::OnlyWithRows);
        OpenForOneOperation kept(store.TempTalksTable, OpenForOneOperation::WriteBack::OnlyWithRows);
        store.CurDayCarrier.Empty();
        store.TempTalksTable.Empty();
        Finally emptyTables([&] {
            store.TempTalksTable.Empty();
            store.CurDayCarrier.Empty();
        });
        // The current-day log too: each charged minute walks it row by row to save it.
        FrozenViews frozen({&talks, &store.ClientDataSet1, &store.CurServDay});
        // Dropped talks leave empty slots behind; the survivors keep their order.
        Finally compactList([&] {
            const auto end = std::remove(TalkList.begin(), TalkList.end(), nullptr);
            if (end == TalkList.end())
                return;
            TalkList.erase(end, TalkList.end());
            markTalksChanged();
        });

        // The tick's charges reach the disk together, once the tick has made them all.
        bool charged = false;
        Finally syncCharges([&] {
            if (charged)
                critical.sync();
        });
        const std::size_t count = TalkList.size();
        for (std::size_t i = 0; i < count; ++i) {
            std::unique_ptr<TTalkRecord>& talk = TalkList[i];
            // Rows of the talks table stand in talk-list order; a talk whose row has gone
            // (a reload) is still billed.
            const bool hasRow = talks.Active() && static_cast<int>(i) < talks.RecordCount();
            if (hasRow)
                talks.MoveTo(static_cast<int>(i));

            if (spoke[i]) {
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
                charged = true;
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
