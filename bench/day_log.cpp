// A subscriber with a long current-day call log: 30,000 rows, as one subscriber can grow his
// own by sending talk starts all day. Measured: what one talk start of his costs the main
// thread (his log is copied into the carrier and handed to the call-log saver each time),
// and the start of the server on such data (Reload All, then Start Server up to listening).
#include "BenchAccounts.h"

#include "tests/server/ServerFormTestAccess.h"

#include "platform/dataset/Dataset.h"
#include "server/DataUnit2.h"
#include "server/StoreLayouts.h"
#include "server/ZeltServerClientWinSocket.h"
#include "server/ZeltServerUnit1.h"

#include <QTcpSocket>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>

namespace {

using namespace parlino;
using namespace parlino::bench;
using Clock = std::chrono::steady_clock;

constexpr int LongLogRows = 30000;
constexpr std::int32_t Payer = FirstAccount;
constexpr std::int32_t Peer = FirstAccount + 1;
constexpr std::int32_t OtherPayer = FirstAccount + 2;
constexpr std::int32_t OtherPeer = FirstAccount + 3;

// The full house with 10 rows a day each, the payer's current day with LongLogRows.
class LongDayLogFolder {
public:
    LongDayLogFolder() : folder_(40, 10) { WriteLog(Payer, LogKind::FileCurDay, LongLogRows); }

private:
    BenchDataFolder folder_;
};

void SetOnline(TDataModule2& store, std::int32_t id)
{
    store.GotoClient(UsersKeyed, id);
    store.ClientDataSet1.Edit();
    store.ClientDataSet1.FieldByName("Status").SetAsText("ONLINE");
    store.ClientDataSet1.Post();
}

void BM_TalkStartWithLongDayLog(benchmark::State& state)
{
    LongDayLogFolder folder;
    TDataModule2 store;
    TZeltServerForm1 window(store);
    ui::ScopedDialogResponder dialogs(ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok));
    window.BitBtn22Click();
    SetOnline(store, Payer);
    SetOnline(store, Peer);
    ServerFormTestAccess inside(window);
    // A talk of two others runs throughout, so that no start is the first (which starts
    // the relay thread).
    SetOnline(store, OtherPayer);
    SetOnline(store, OtherPeer);
    TZeltServerClientWinSocket other(new QTcpSocket);
    other.Client_ID = OtherPayer;
    inside.callAnswers.answered(OtherPeer, OtherPayer);
    window.TalkStart(other, {std::int32_t{OtherPeer}});
    TZeltServerClientWinSocket connection(new QTcpSocket);
    connection.Client_ID = Payer;
    std::int64_t started = 0;
    for (auto _ : state) {
        state.PauseTiming();
        inside.callAnswers.answered(Peer, Payer);  // the peer's "A" went to the payer
        state.ResumeTiming();
        window.TalkStart(connection, {std::int32_t{Peer}});
        state.PauseTiming();
        started += inside.TalkList.size() == 2 ? 1 : 0;
        window.TalkEnd(connection, {Payer, Peer});
        state.ResumeTiming();
    }
    if (started != state.iterations())
        state.SkipWithError("a talk start made no talk");
    store.GotoClient(UsersKeyed, Payer);
    state.counters["log_rows"] = store.CurServDay.RecordCount();
    window.DropAllTalks();
    inside.callLogSaver.settle();
}
BENCHMARK(BM_TalkStartWithLongDayLog)->Iterations(100)->Unit(benchmark::kMillisecond);

// From the start-up timer to the listening socket: the second the timer waits is not counted.
void BM_StartUpWithLongDayLog(benchmark::State& state)
{
    LongDayLogFolder folder;
    {
        std::ofstream ini("ParlinoServer.ini");
        ini << "[Server]\nTCP port=0\n";
    }
    for (auto _ : state) {
        TDataModule2 store;
        TZeltServerForm1 window(store);
        ServerFormTestAccess inside(window);
        inside.iniFileName = "ParlinoServer.ini";
        inside.listenAddress = QHostAddress::LocalHost;
        ui::ScopedDialogResponder dialogs(ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok));
        const Clock::time_point begin = Clock::now();
        window.Timer2->start();
        window.Timer2Timer();
        const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
        if (!window.ServerSocket1->Active()) {
            state.SkipWithError("the server does not listen");
            break;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_StartUpWithLongDayLog)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    return RunQtBenchmarks(argc, argv);
}
