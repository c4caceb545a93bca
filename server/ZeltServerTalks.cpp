// Talks in progress: the talk list with the relay thread and the billing timer that live
// beside it, the talk end "T", and what ends every talk at once.
#include "server/ZeltServerUnit1.h"

#include "platform/core/Finally.h"
#include "platform/thread/ThreadPriority.h"
#include "platform/ui/ErrorDisplay.h"
#include "server/CopyRecords.h"
#include "server/DataUnit2.h"
#include "server/StoreLayouts.h"
#include "server/StoreScopes.h"
#include "server/ZeltServerClientWinSocket.h"

#include <QTimer>

#include <algorithm>
#include <filesystem>

namespace parlino {

namespace {
constexpr std::size_t TalkListCapacity = 16;
}

void TZeltServerForm1::CreateTalks()
{
    TalkList.reserve(TalkListCapacity);
    connect(Timer1, &QTimer::timeout, this, &TZeltServerForm1::Timer1Timer);
}

std::vector<TTalkPair> TZeltServerForm1::currentTalkPairs() const
{
    std::lock_guard lock(publishedTalksMutex_);
    return publishedTalks_;
}

void TZeltServerForm1::markTalksChanged()
{
    std::vector<TTalkPair> pairs;
    pairs.reserve(TalkList.size());
    for (const std::unique_ptr<TTalkRecord>& talk : TalkList)
        if (talk)
            pairs.push_back({talk->Payer, talk->Peer});
    {
        std::lock_guard lock(publishedTalksMutex_);
        publishedTalks_ = std::move(pairs);
    }
    TalksChanged = true;
}

void TZeltServerForm1::StartBilling()
{
    SetCurrentThreadPriority(ThreadPriority::AboveNormal);
    SecondCounter = 0;
    Timer1->start();
    if (!RelayThread) {
        RelayThread = std::make_unique<TZeltUDPListenerThread>(voiceSockets_, TalkLock, TalksChanged, *this);
        RelayThread->setErrorHook([this](const QString& text) { errors_->postError(text); });
        TalksChanged = false;
        RelayThread->resume();
    }
}

void TZeltServerForm1::StopBilling()
{
    Timer1->stop();
    StopRelayThread();
    SetCurrentThreadPriority(ThreadPriority::Normal);
}

void TZeltServerForm1::StopRelayThread()
{
    // Never call this holding TalkLock: the thread may be waiting for it. While we wait, the
    // thread may still need the main thread for a synchronous call, which the wait serves.
    if (!RelayThread)
        return;
    RelayThread->terminateAndWait();
    RelayThread.reset();
}

const TTalkRecord* TZeltServerForm1::talkOf(std::int32_t clientId) const
{
    for (const std::unique_ptr<TTalkRecord>& talk : TalkList)
        if (talk && (talk->Payer == clientId || talk->Peer == clientId))
            return talk.get();
    return nullptr;
}

void TZeltServerForm1::ReleaseLogRows(TTalkRecord& talk)
{
    // The users table visits each party as it lets go of that party's row, so the operator
    // sees the cursor end on the peer of a talk that ends.
    Store().GotoClient(UsersKeyed, talk.Payer);
    Store().CurServDay.FreeBookmark(talk.PayerLogRow);
    Store().GotoClient(UsersKeyed, talk.Peer);
    Store().CurServDay.FreeBookmark(talk.PeerLogRow);
}

bool TZeltServerForm1::GotoLogRow(std::int32_t clientId, const dataset::Bookmark& logRow)
{
    if (!Store().GotoClient(UsersKeyed, clientId) || !Store().CurServDay.BookmarkValid(logRow))
        return false;
    Store().CurServDay.GotoBookmark(logRow);
    return true;
}

void TZeltServerForm1::SaveCurrentDayLog(std::int32_t clientId)
{
    dataset::Dataset& log = Store().CurServDay;
    dataset::Dataset& carrier = Store().CurDayCarrier;
    CopyRecords(log, carrier, MapByPosition(log, log.FieldCount()));
    // The saver's thread must not depend on our working directory staying where it is.
    const std::string path = std::filesystem::absolute(CurDayLogFile(clientId)).string();
    // The copy goes to the saver whole, which makes it into the file's bytes on its own
    // thread: a long call log's encoding would otherwise cost the main thread a quarter of
    // every talk start.
    callLogSaver_.save(path, carrier.takeRows());
}

void TZeltServerForm1::settleCallLogs()
{
    callLogSaver_.settle();  // a failure has been reported and is tried again by the saver
}

void TZeltServerForm1::TalkEnd(TZeltServerClientWinSocket& connection, const MessageValues& values)
{
    const std::int32_t payer = ValueAs<std::int32_t>(values, 0);
    const std::int32_t partyToTell = ValueAs<std::int32_t>(values, 1);
    // The first talk of that payer, whatever peer the message names.
    const auto found = std::find_if(TalkList.begin(), TalkList.end(),
                                    [payer](const auto& talk) { return talk->Payer == payer; });
    if (found == TalkList.end())
        return;
    // A talk is ended only by its parties, and only they are told: a stranger's "T" would
    // cut it, or drop the call of whomever it names.
    const auto isParty = [&talk = **found](std::int32_t id) {
        return id == talk.Payer || id == talk.Peer;
    };
    if (!isParty(connection.Client_ID))
        return;
    const bool tell = isParty(partyToTell);
    const int index = static_cast<int>(found - TalkList.begin());
    {
        dataset::Dataset& talks = Store().TalksTable;
        FrozenViews frozen({&talks, &Store().ClientDataSet1});
        // Whatever happens to the grid row, the talk itself ends below.
        Finally forget([&] {
            ReleaseLogRows(**found);
            TalkList.erase(found);
            if (TalkList.empty())
                StopBilling();
            markTalksChanged();
        });
        if (talks.Active() && index < talks.RecordCount()) {
            talks.MoveTo(index);
            talks.Delete();
        }
    }
    if (tell)
        Deliver(partyToTell, Letter::CallDropped);
}

void TZeltServerForm1::DropAllTalks()
{
    StopRelayThread();
    {
        FrozenViews frozen({&Store().ClientDataSet1});
        for (std::unique_ptr<TTalkRecord>& talk : TalkList) {
            if (talk)
                ReleaseLogRows(*talk);
            talk.reset();
        }
    }
    TalkList.clear();
    TalkList.shrink_to_fit();
    TalkList.reserve(TalkListCapacity);
}

}  // namespace parlino
