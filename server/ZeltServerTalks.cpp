// Talks in progress: the talk list with the relay thread that lives beside it, and what
// ends every talk at once.
#include "server/ZeltServerUnit1.h"

#include "platform/thread/ThreadPriority.h"
#include "server/DataUnit2.h"

#include <QTimer>

namespace parlino {

void TZeltServerForm1::CreateTalks()
{
    TalkList.reserve(16);
}

std::vector<TTalkPair> TZeltServerForm1::CurrentTalkPairs() const
{
    std::vector<TTalkPair> pairs;
    pairs.reserve(TalkList.size());
    for (const std::unique_ptr<TTalkRecord>& talk : TalkList)
        if (talk)
            pairs.push_back({talk->Payer, talk->Peer});
    return pairs;
}

void TZeltServerForm1::StopRelayThread()
{
    // Never call this holding TalkLock: the thread may be waiting for it, and while we wait
    // it may still need the main thread for a synchronous call, which waitFor() serves.
    if (!RelayThread)
        return;
    RelayThread->terminateAndWait();
    RelayThread.reset();
}

void TZeltServerForm1::ReleaseLogRows(TTalkRecord& talk)
{
    Store().CurServDay.FreeBookmark(talk.PayerLogRow);
    Store().CurServDay.FreeBookmark(talk.PeerLogRow);
}

void TZeltServerForm1::DropAllTalks()
{
    StopRelayThread();
    for (std::unique_ptr<TTalkRecord>& talk : TalkList) {
        if (talk)
            ReleaseLogRows(*talk);
        talk.reset();
    }
    TalkList.clear();
    TalkList.shrink_to_fit();
    TalkList.reserve(16);
}

}  // namespace parlino
