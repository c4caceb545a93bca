// Small in-memory tables for the data-aware control tests.
#pragma once

#include "platform/dataset/Dataset.h"

#include <memory>
#include <string>

namespace parlino::ui::test {

// Accounts with a nested call list: Id (int), Name (text 10), Balance (currency), Calls.
inline std::unique_ptr<dataset::Dataset> MakeAccounts(int count)
{
    using namespace dataset;
    FieldDef balance = FloatField("Balance");
    balance.currency = true;
    FieldDef id = IntegerField("Id", true);
    id.minValue = 1;
    id.maxValue = 1000;
    auto table = std::make_unique<Dataset>(
        std::vector<FieldDef>{id, TextField("Name", 10), balance,
                              NestedField("Calls", {IntegerField("Minutes"), TextField("Kind", 1)})},
        "Accounts");
    table->Open();
    for (int i = 1; i <= count; ++i) {
        table->Append();
        table->FieldAt(0).SetAsInteger(i);
        table->FieldAt(1).SetAsText("name" + std::to_string(i));
        table->FieldAt(2).SetAsFloat(i * 1.5);
        table->Post();
        Dataset& calls = *table->FieldAt(3).Nested();
        for (int c = 0; c < i; ++c) {
            calls.Append();
            calls.FieldAt(0).SetAsInteger(10 * i + c);
            calls.FieldAt(1).SetAsText(">");
            calls.Post();
        }
    }
    table->First();
    return table;
}

}  // namespace parlino::ui::test
