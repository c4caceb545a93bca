// A full house for the server benchmarks: 900 accounts, 101 to 1000, in the data folder of
// the current directory, with call logs of a chosen length.
#pragma once

#include "platform/dataset/Dataset.h"
#include "platform/ui/Dialogs.h"
#include "server/CriticalFix.h"
#include "server/StoreLayouts.h"
#include "tools/TableInstaller.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <string>

namespace parlino::bench {

inline constexpr int FirstAccount = 101;
inline constexpr int AccountCount = 900;
inline constexpr double BenchNow = 45000.75;

inline void WriteLog(int clientId, LogKind kind, int rows)
{
    dataset::Dataset log(LogLayout(kind), "log");
    log.Open();
    const bool current = kind == LogKind::FileCurDay;
    for (int i = 0; i < rows; ++i) {
        log.Append();
        log.FieldByName("ServerDay").SetAsInteger(current ? 8 : 1 + i % 7);
        log.FieldByName("CallDate").SetAsFloat(BenchNow - 8 + i % 7);
        log.FieldByName("CallTime").SetAsFloat((i % 24) / 24.0);
        log.FieldByName("CallType").SetAsText(i % 3 == 0 ? "<" : ">");
        log.FieldByName("Client_ID").SetAsInteger(FirstAccount + (clientId + i) % AccountCount);
        log.FieldByName("Duration").SetAsInteger(1 + i % 9);
        log.Post();
    }
    log.SaveToFile(current ? CurDayLogFile(clientId) : Prev7LogFile(clientId));
}

// Accounts with password "582047", address 127.0.0.1, balance 20, and the given number of
// log rows of the previous days and of the current day.
inline void WriteAccounts(int previousDayRows, int currentDayRows)
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
        WriteLog(id, LogKind::FilePrev7, previousDayRows);
        WriteLog(id, LogKind::FileCurDay, currentDayRows);
    }
    noncrit.SaveToFile(NoncritFile);
}

// A scratch data folder of the full house, current directory for its lifetime.
class BenchDataFolder {
public:
    BenchDataFolder(int previousDayRows, int currentDayRows) : previous_(QDir::currentPath())
    {
        QDir::setCurrent(scratch_.path());
        tools::InstallTables(scratch_.path().toStdString(), tools::InstallContent::Empty, BenchNow);
        WriteAccounts(previousDayRows, currentDayRows);
    }
    ~BenchDataFolder() { QDir::setCurrent(previous_); }
    BenchDataFolder(const BenchDataFolder&) = delete;
    BenchDataFolder& operator=(const BenchDataFolder&) = delete;

private:
    QTemporaryDir scratch_;
    QString previous_;
};

// The main of a benchmark that needs the window system (offscreen unless told otherwise).
// beforeExit runs while the application still exists.
inline int RunQtBenchmarks(int argc, char** argv, const std::function<void()>& beforeExit = {})
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (beforeExit)
        beforeExit();
    benchmark::Shutdown();
    return 0;
}

}  // namespace parlino::bench
