// The account store at its intended size: 900 accounts with 50 call-log rows each
// (40 of the previous days, 10 of the current day). Loading rebuilds the users table the way
// a reload does (noncrit rows, critical.fix records, two log files per account, the log
// indexes and sums); indexing switches the users table's sort order; saving writes every
// account's two log files and noncrit.cds.
#include "platform/dataset/Dataset.h"
#include "server/CopyRecords.h"
#include "server/CriticalFix.h"
#include "server/DataUnit2.h"
#include "server/StoreLayouts.h"
#include "tools/TableInstaller.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

namespace parlino {
namespace {

namespace fs = std::filesystem;
using dataset::Dataset;

constexpr int AccountCount = 900;
constexpr int Prev7Rows = 40;
constexpr int CurDayRows = 10;

void AddLogRows(Dataset& log, int count, int day, int seed)
{
    for (int i = 0; i < count; ++i) {
        log.Append();
        log.FieldByName("ServerDay").SetAsInteger(day == 8 ? 8 : 1 + (i + seed) % 7);
        log.FieldByName("CallDate").SetAsDateTime(46000 - (i % 7));
        log.FieldByName("CallTime").SetAsDateTime((i * 37 % 96) / 96.0);
        log.FieldByName("CallType").SetAsText(i % 3 == 0 ? "<" : ">");
        log.FieldByName("Client_ID").SetAsInteger(101 + (i * 13 + seed) % 900);
        log.FieldByName("Duration").SetAsInteger(1 + i % 9);
        log.Post();
    }
}

// Makes the data folder once and leaves it as the working directory.
class DataFolder {
public:
    DataFolder() : root_(fs::temp_directory_path() / ("parlino-store-bench-" + std::to_string(::getpid())))
    {
        fs::remove_all(root_);
        tools::InstallTables(root_, tools::InstallContent::Empty, 46000.5);
        fs::current_path(root_);
        Dataset noncrit(NoncritLayout(), "noncrit");
        noncrit.Open();
        Dataset users(UsersLayout(), "users");
        users.Open();
        Dataset prev7(LogLayout(LogKind::FilePrev7), "prev7");
        prev7.Open();
        Dataset curDay(LogLayout(LogKind::FileCurDay), "curDay");
        curDay.Open();
        FixRecordFile critical(CriticalFixPath, FixRecordFile::Mode::Write);
        for (int id = 101; id < 101 + AccountCount; ++id) {
            noncrit.Append();
            noncrit.FieldByName("Client_ID").SetAsInteger(id);
            noncrit.FieldByName("IP_Address").SetAsText("10.0." + std::to_string(id / 256) + "." +
                                                        std::to_string(id % 256));
            noncrit.FieldByName("Name").SetAsText("Subscriber " + std::to_string((id * 7919) % 1000));
            noncrit.FieldByName("Loc").SetAsText(id % 2 ? "Office" : "Home");
            noncrit.Post();
            users.Append();
            users.FieldByName("Balance").SetAsFloat(id % 50);
            critical.Seek(FixRecordOffset(id));
            for (const char* field : {"Password", "Status", "Balance", "CardPIN", "ActivDateTime"})
                WriteFixField(critical, users.FieldByName(field), true);
            users.Cancel();
            prev7.Empty();
            AddLogRows(prev7, Prev7Rows, 1, id);
            prev7.SaveToFile(Prev7LogFile(id));
            curDay.Empty();
            AddLogRows(curDay, CurDayRows, 8, id);
            curDay.SaveToFile(CurDayLogFile(id));
        }
        noncrit.SaveToFile(NoncritFile);
    }
    ~DataFolder()
    {
        fs::current_path(fs::temp_directory_path());
        fs::remove_all(root_);
    }

private:
    fs::path root_;
};

DataFolder& Folder()
{
    static DataFolder folder;
    return folder;
}

int LoadLog(Dataset& carrier, const std::string& path, Dataset& log, const char* sum)
{
    carrier.LoadFromFile(path);
    CopyRecords(carrier, log, MapByPosition(carrier, carrier.FieldCount()));
    carrier.Empty();
    log.First();
    if (log.IsEmpty() || log.FieldByName("CallType").AsText() != ">")
        return 0;
    return log.AggregateValue(sum).ToInteger();
}

void AddIndexes(TDataModule2& store)
{
    Dataset& users = store.ClientDataSet1;
    for (int column = 0; column < users.FieldCount(); ++column) {
        const dataset::Field& field = users.FieldAt(column);
        if (field.Type() == dataset::FieldType::Nested)
            continue;
        const std::string noCase = field.Type() == dataset::FieldType::Text ? field.Name() : "";
        users.AddIndex({field.Name() + "AscIndex", field.Name(), "", noCase});
        users.AddIndex({field.Name() + "DscIndex", field.Name(), field.Name(), noCase});
    }
    for (auto [log, prefix] : {std::pair{&store.Prev7ServDays, "P7SD"}, std::pair{&store.CurServDay, "CurSD"}}) {
        log->AddIndex({std::string(prefix) + "HistoryIndex", "ServerDay;CallDate;CallTime", "", ""});
        log->AddIndex({std::string(prefix) + "OutInIndex", "CallType;ServerDay;CallDate;CallTime", "CallType", ""});
        log->SetIndexName(std::string(prefix) + "OutInIndex");
    }
}

// Rebuilds the users table from noncrit.cds, critical.fix and the log files.
void Reload(TDataModule2& store)
{
    Dataset& users = store.ClientDataSet1;
    store.CloseUsersTable();
    users.Open();
    AddIndexes(store);
    FixRecordFile critical(CriticalFixPath, FixRecordFile::Mode::Read);
    store.NoncritTable.Open();
    store.Prev7Carrier.Open();
    store.CurDayCarrier.Open();
    users.FreezeViews();
    for (Dataset& noncrit = store.NoncritTable; !noncrit.Eof(); noncrit.Next()) {
        const int id = noncrit.FieldByName("Client_ID").AsInteger();
        critical.Seek(FixRecordOffset(id));
        users.Append();
        for (const char* field : {"Password", "Status", "Balance", "CardPIN", "ActivDateTime"})
            ReadFixField(critical, users.FieldByName(field));
        for (const char* field : {"Client_ID", "IP_Address", "Name", "Loc", "Contact"})
            users.FieldByName(field).SetValue(noncrit.FieldByName(field).GetValue());
        users.FieldByName("Prev7ServDaysDur")
            .SetAsInteger(LoadLog(store.Prev7Carrier, Prev7LogFile(id), store.Prev7ServDays, "P7SDOutDur"));
        users.FieldByName("CurServDayDur")
            .SetAsInteger(LoadLog(store.CurDayCarrier, CurDayLogFile(id), store.CurServDay, "CurSDOutDur"));
        users.Post();
    }
    users.ReleaseViews();
    store.NoncritTable.Close();
    store.Prev7Carrier.Close();
    store.CurDayCarrier.Close();
}

void BM_ReloadAccounts(benchmark::State& state)
{
    Folder();
    TDataModule2 store;
    for (auto _ : state) {
        Reload(store);
        benchmark::DoNotOptimize(store.ClientDataSet1.RecordCount());
    }
    state.counters["accounts"] = store.ClientDataSet1.RecordCount();
}
BENCHMARK(BM_ReloadAccounts)->Unit(benchmark::kMillisecond);

void BM_SortAccounts(benchmark::State& state)
{
    Folder();
    TDataModule2 store;
    Reload(store);
    bool descending = false;
    for (auto _ : state) {
        store.ClientDataSet1.SetIndexName(descending ? "NameDscIndex" : "IP_AddressAscIndex");
        descending = !descending;
    }
}
BENCHMARK(BM_SortAccounts)->Unit(benchmark::kMicrosecond);

// Every account's two log files, as the server day writes them, and noncrit.cds.
void BM_SaveAllLogs(benchmark::State& state)
{
    Folder();
    TDataModule2 store;
    Reload(store);
    Dataset& users = store.ClientDataSet1;
    for (auto _ : state) {
        store.Prev7Carrier.Open();
        store.CurDayCarrier.Open();
        store.NoncritTable.Open();
        for (users.First(); !users.Eof(); users.Next()) {
            const int id = users.FieldByName("Client_ID").AsInteger();
            for (auto [log, carrier, file] :
                 {std::tuple{&store.Prev7ServDays, &store.Prev7Carrier, Prev7LogFile(id)},
                  std::tuple{&store.CurServDay, &store.CurDayCarrier, CurDayLogFile(id)}}) {
                CopyRecords(*log, *carrier, MapByPosition(*log, 6));
                carrier->SaveToFile(file);
                carrier->Empty();
            }
        }
        store.NoncritTable.Empty();
        CopyRecords(users, store.NoncritTable, MapFields(users, {"Client_ID", "IP_Address", "Name", "Loc", "Contact"}));
        store.NoncritTable.Close();
        store.Prev7Carrier.Close();
        store.CurDayCarrier.Close();
    }
}
BENCHMARK(BM_SaveAllLogs)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace parlino

BENCHMARK_MAIN();
