// What a charged minute at 450 talks costs the main thread: 900 current-day call logs of a
// busy day (20 rows each) saved where the talk is handled, against handed to the saver's
// thread. Reported for the saver: the hand-over time (the main thread's share, the
// benchmark's time) and when the last of the 900 files was on disk after it. And the 450
// balances written to critical.fix, with and without the one sync that takes them to the disk.
#include "platform/dataset/BackgroundTableSaver.h"
#include "platform/dataset/Dataset.h"
#include "server/CriticalFix.h"
#include "server/StoreLayouts.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using namespace parlino;
using Clock = std::chrono::steady_clock;

constexpr int FilesPerChargeSecond = 900;
constexpr int RowsPerLog = 20;

// A current-day log with the day's rows.
class DayLog {
public:
    DayLog() : log_(LogLayout(LogKind::FileCurDay), "000cursd")
    {
        log_.Open();
        for (int row = 0; row < RowsPerLog; ++row) {
            log_.Append();
            log_.FieldByName("CallDate").SetAsFloat(45000.0);
            log_.FieldByName("CallTime").SetAsFloat(row / 48.0);
            log_.FieldByName("CallType").SetAsText(row % 2 ? "<" : ">");
            log_.FieldByName("Client_ID").SetAsInteger(101 + row);
            log_.FieldByName("Duration").SetAsInteger(row);
            log_.Post();
        }
    }
    dataset::Dataset& table() { return log_; }

private:
    dataset::Dataset log_;
};

std::string LogPath(const QTemporaryDir& folder, int file)
{
    return folder.filePath(QString::number(101 + file) + "cursd.cds").toStdString();
}

void BM_ChargeSecondSavedInPlace(benchmark::State& state)
{
    QTemporaryDir folder;
    DayLog log;
    for (auto _ : state)
        for (int file = 0; file < FilesPerChargeSecond; ++file)
            log.table().SaveToFile(LogPath(folder, file));
    state.counters["files"] = FilesPerChargeSecond;
}
BENCHMARK(BM_ChargeSecondSavedInPlace)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_ChargeSecondHandedToSaver(benchmark::State& state)
{
    QTemporaryDir folder;
    DayLog log;
    dataset::BackgroundTableSaver saver;
    double onDiskMs = 0;
    for (auto _ : state) {
        for (int file = 0; file < FilesPerChargeSecond; ++file)
            saver.save(LogPath(folder, file), log.table().FileBytes());
        state.PauseTiming();
        const auto handedOver = Clock::now();
        if (!saver.settle())
            state.SkipWithError("a call log was not saved");
        onDiskMs = std::max(onDiskMs, std::chrono::duration<double, std::milli>(Clock::now() - handedOver).count());
        state.ResumeTiming();
    }
    state.counters["files"] = FilesPerChargeSecond;
    state.counters["all_on_disk_after_ms"] = onDiskMs;
}
BENCHMARK(BM_ChargeSecondHandedToSaver)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

constexpr int TalksPerChargeSecond = FilesPerChargeSecond / 2;

// Argument 1: the tick's one fdatasync after its writes; 0: the writes alone.
void BM_ChargeSecondBalances(benchmark::State& state)
{
    QTemporaryDir folder;
    const std::string path = folder.filePath("critical.fix").toStdString();
    std::ofstream(path, std::ios::binary) << std::string(1000 * 64, '\0');
    const bool synced = state.range(0) != 0;
    double balance = 20.0;
    for (auto _ : state) {
        FixRecordFile critical(path, FixRecordFile::Mode::Write);
        balance -= 1.0;
        for (int payer = 0; payer < TalksPerChargeSecond; ++payer) {
            critical.Seek(FixRecordOffset(101 + payer) + FixBalanceOffset);
            critical.Write(&balance, sizeof balance);
        }
        if (synced && !critical.sync())
            state.SkipWithError("critical.fix was not synced");
    }
    state.counters["balances"] = TalksPerChargeSecond;
}
BENCHMARK(BM_ChargeSecondBalances)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
