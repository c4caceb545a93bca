// The talk start "S": both parties' call-log rows, the talks row, the talk record and, for
// the first talk, the billing timer and the relay thread. The call logs are handed to the
// call-log saver rather than written here: a burst of starts would otherwise wait for two
// synced files each before the relay hears of the talk.
#include "server/ZeltServerUnit1.h"

#include "common/AccountNumbers.h"
#include "platform/core/Finally.h"
#include "server/DataUnit2.h"
#include "server/StoreScopes.h"
#include "server/ZeltServerClientWinSocket.h"

#include <cmath>

namespace parlino {

namespace {

constexpr std::int32_t CurrentServerDay = 8;

// Appends a current-day log row of a talk that starts now to the current users row's log
// and returns its handle.
dataset::Bookmark AppendLogRow(dataset::Dataset& log, double now, const char* callType,
                               std::int32_t otherParty)
{
    const double today = std::floor(now);
    log.Append();
    log.FieldByName("ServerDay").SetAsInteger(CurrentServerDay);
    log.FieldByName("CallDate").SetAsFloat(today);
    log.FieldByName("CallTime").SetAsFloat(now - today);
    log.FieldByName("CallType").SetAsText(callType);
    log.FieldByName("Client_ID").SetAsInteger(otherParty);
    log.FieldByName("Duration").SetAsInteger(0);
    log.Post();
    return log.GetBookmark();
}

struct PartyDetails {
    std::string id, address, name, location;
};

PartyDetails DetailsOf(const dataset::Dataset& users, std::int32_t clientId)
{
    return {std::to_string(clientId), users.FieldByName("IP_Address").AsText(),
            users.FieldByName("Name").AsText(), users.FieldByName("Loc").AsText()};
}

}  // namespace

void TZeltServerForm1::TalkStart(TZeltServerClientWinSocket& connection, const MessageValues& values)
{
    const std::int32_t payer = connection.Client_ID;
    const std::int32_t peer = ValueAs<std::int32_t>(values, 0);
    // Only the party that answered this caller, and nobody taken by a talk already: else a
    // stranger's start would cut into a running talk or connect a phone that only rings.
    if (!callAnswers_.take(payer, peer) || talkOf(payer) != nullptr || talkOf(peer) != nullptr)
        return;
    TDataModule2& store = Store();
    dataset::Dataset& users = store.ClientDataSet1;
    dataset::Dataset& log = store.CurServDay;
    dataset::Dataset& talks = store.TalksTable;

    auto talk = std::make_unique<TTalkRecord>();
    talk->Payer = payer;
    talk->Peer = peer;
    bool accepted = false;
    {
        OpenForOneOperation carrier(store.CurDayCarrier, OpenForOneOperation::WriteBack::OnlyWithRows);
        store.CurDayCarrier.Empty();
        Finally emptyCarrier([&] { store.CurDayCarrier.Empty(); });
        FrozenViews frozen({&users, &store.Prev7ServDays, &log, &talks});
        // A start that stops short of a talk keeps its log rows but no handles on them.
        Finally releaseUnused([&] {
            if (accepted)
                return;
            log.FreeBookmark(talk->PayerLogRow);
            log.FreeBookmark(talk->PeerLogRow);
        });

        if (!store.GotoClient(UsersKeyed, payer))
            return;
        const double now = store.Now();
        talk->PayerLogRow = AppendLogRow(log, now, ">", peer);
        SaveCurrentDayLog(payer);
        if (users.FieldByName("Status").AsText() != StatusOnline)
            return;
        const PartyDetails caller = DetailsOf(users, payer);

        if (!store.GotoClient(UsersKeyed, peer))
            return;
        talk->PeerLogRow = AppendLogRow(log, now, "<", payer);
        SaveCurrentDayLog(peer);
        if (users.FieldByName("Status").AsText() != StatusOnline)
            return;
        const PartyDetails callee = DetailsOf(users, peer);

        talks.Append();
        talks.FieldByName("ID2ID").SetAsText(caller.id + " > " + callee.id);
        talks.FieldByName("IP2IP").SetAsText(caller.address + " > " + callee.address);
        talks.FieldByName("N2N").SetAsText(caller.name + " > " + callee.name);
        talks.FieldByName("Loc2Loc").SetAsText(caller.location + " > " + callee.location);
        talks.FieldByName("Duration").SetAsInteger(0);
        talks.Post();
        accepted = true;
    }

    if (TalkList.empty())
        StartBilling();
    talk->MinutePhase = SecondCounter;
    talk->IdleSeconds = 0;
    TalkList.push_back(std::move(talk));
    markTalksChanged();
    Deliver(peer, Letter::TalkStarted);
}

}  // namespace parlino
