// "Reload All" of a full house: 900 accounts with 50 call-log rows each (40 of the previous
// days, 10 of the current day), in a scratch data folder.
#include "BenchAccounts.h"

#include "server/DataUnit2.h"
#include "server/StoreLayouts.h"
#include "server/ZeltServerUnit1.h"

#include "platform/ui/Dialogs.h"


#include <benchmark/benchmark.h>

namespace {

using namespace parlino;
using namespace parlino::bench;

void BM_ReloadAll(benchmark::State& state)
{
    BenchDataFolder folder(40, 10);
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
}
BENCHMARK(BM_ReloadAll)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    return RunQtBenchmarks(argc, argv);
}
