// The account store at its intended size: 900 accounts with 50 call-log rows each
// (40 of the previous days, 10 of the current day), loaded by the operator window's Reload
// All (whose own cost is bench_reload_all). Indexing switches the users table's sort order;
// saving writes every account's two log files and noncrit.cds.
#include "BenchAccounts.h"

#include "platform/dataset/Dataset.h"
#include "platform/ui/Dialogs.h"
#include "server/CopyRecords.h"
#include "server/DataUnit2.h"
#include "server/StoreLayouts.h"
#include "server/ZeltServerUnit1.h"


#include <benchmark/benchmark.h>

#include <memory>
#include <tuple>

namespace parlino {
namespace {

using dataset::Dataset;

// The data folder, a store and a window with every account loaded, made once.
class LoadedStore {
public:
    LoadedStore()
    {
        window_ = std::make_unique<TZeltServerForm1>(store_);
        ui::ScopedDialogResponder dialogs(ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok));
        window_->BitBtn22Click();
        loaded_ = dialogs.requests().empty() && store_.ClientDataSet1.RecordCount() == bench::AccountCount;
    }
    TDataModule2& store() { return store_; }
    bool loaded() const { return loaded_; }

private:
    bench::BenchDataFolder folder_{40, 10};
    TDataModule2 store_;
    std::unique_ptr<TZeltServerForm1> window_;
    bool loaded_ = false;
};

// Freed by main before the application, which the window needs to the end.
std::unique_ptr<LoadedStore> loadedStore;

LoadedStore& Loaded()
{
    if (!loadedStore)
        loadedStore = std::make_unique<LoadedStore>();
    return *loadedStore;
}

void BM_SortAccounts(benchmark::State& state)
{
    TDataModule2& store = Loaded().store();
    if (!Loaded().loaded())
        state.SkipWithError("Reload All failed");
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
    TDataModule2& store = Loaded().store();
    if (!Loaded().loaded())
        state.SkipWithError("Reload All failed");
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

void ReleaseLoadedStore()
{
    loadedStore.reset();
}

}  // namespace parlino

int main(int argc, char** argv)
{
    return parlino::bench::RunQtBenchmarks(argc, argv, [] { parlino::ReleaseLoadedStore(); });
}
