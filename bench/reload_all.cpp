// "Reload All" of a full house: 900 accounts with 50 call-log rows each (40 of the previous
// days, 10 of the current day), in a scratch data folder.
#include "server/CriticalFix.h"
#include "server/DataUnit2.h"
#include "server/StoreLayouts.h"
#include "server/ZeltServerUnit1.h"
#include "tools/TableInstaller.h"

#include "platform/ui/Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>

namespace {

using namespace parlino;

constexpr int FirstAccount = 101;
constexpr int AccountCount = 900;
constexpr double Now = 45000.75;

void WriteLog(int clientId, LogKind kind, int rows)
{
    dataset::Dataset log(LogLayout(kind), "log");
    log.Open();
    const bool current = kind == LogKind::FileCurDay;
    for (int i = 0; i < rows; ++i) {
        log.Append();
        log.FieldByName("ServerDay").SetAsInteger(current ? 8 : 1 + i % 7);
        log.FieldByName("CallDate").SetAsFloat(Now - 8 + i % 7);
        log.FieldByName("CallTime").SetAsFloat((i % 24) / 24.0);
        log.FieldByName("CallType").SetAsText(i % 3 == 0 ? "<" : ">");
        log.FieldByName("Client_ID").SetAsInteger(FirstAccount + (clientId + i) % AccountCount);
        log.FieldByName("Duration").SetAsInteger(1 + i % 9);
        log.Post();
    }
    log.SaveToFile(current ? CurDayLogFile(clientId) : Prev7LogFile(clientId));
}

void WriteAccounts()
{
    dataset::Dataset noncrit(NoncritLayout(), "noncrit");
    noncrit.Open();
    std::fstream critical(CriticalFixPath, std::ios::binary | std::ios::in | std::ios::out);
    for (int id = FirstAccount; id < FirstAccount + AccountCount; ++id) {
        noncrit.Append();
        noncrit.FieldByName("Client_ID").SetAsInteger(id);
        noncrit.FieldByName("IP_Address").SetAsText("127.0.0.1");
        noncrit.FieldByName("Name").SetAsText("User " + std::to_string(id));
        noncrit.FieldByName("Loc").SetAsText("Bench");
        noncrit.Post();
        char record[64] = {};
        std::memcpy(record, "582047", 6);
        std::memcpy(record + 20, "OFFLINE", 7);
        const double balance = 20.0;
        std::memcpy(record + 28, &balance, sizeof balance);
        critical.seekp(FixRecordOffset(id));
        critical.write(record, sizeof record);
        WriteLog(id, LogKind::FilePrev7, 40);
        WriteLog(id, LogKind::FileCurDay, 10);
    }
    noncrit.SaveToFile(NoncritFile);
}

void BM_ReloadAll(benchmark::State& state)
{
    QTemporaryDir scratch;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(scratch.path());
    tools::InstallTables(scratch.path().toStdString(), tools::InstallContent::Empty, Now);
    WriteAccounts();
    {
        TDataModule2 store;
        TZeltServerForm1 window(store);
        ui::ScopedDialogResponder dialogs(ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok));
        for (auto _ : state) {
            window.BitBtn22Click();
            if (!dialogs.requests().empty() || store.ClientDataSet1.RecordCount() != AccountCount) {
                state.SkipWithError("Reload All failed");
                break;
            }
        }
        state.counters["accounts"] = AccountCount;
    }
    QDir::setCurrent(previous);
}
BENCHMARK(BM_ReloadAll)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
