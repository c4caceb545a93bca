// Layouts and helpers shared by the engine tests.
#pragma once

#include "platform/dataset/Dataset.h"

#include <filesystem>
#include <string>
#include <vector>

namespace parlino::dataset::test {

// Accounts: a keyed integer with a range, a required text with a default, a float.
inline std::vector<FieldDef> AccountLayout()
{
    FieldDef id = IntegerField("Id", true);
    id.minValue = 101;
    id.maxValue = 1000;
    FieldDef name = TextField("Name", 6);
    FieldDef status = TextField("Status", 8, true);
    status.defaultValue = "OFFLINE";
    FieldDef balance = FloatField("Balance");
    balance.defaultValue = 20.0;
    return {id, name, status, balance};
}

// A call log as a nested table of each account.
inline std::vector<FieldDef> LogLayout()
{
    FieldDef day = IntegerField("Day", true);
    day.minValue = 1;
    day.maxValue = 8;
    return {day, TextField("Kind", 1, true), IntegerField("Other"), IntegerField("Duration", true)};
}

inline std::vector<FieldDef> AccountWithLogLayout()
{
    std::vector<FieldDef> layout = AccountLayout();
    layout.push_back(NestedField("Log", LogLayout()));
    return layout;
}

inline void AddAccount(Dataset& table, int id, const std::string& name)
{
    table.Append();
    table.FieldByName("Id").SetAsInteger(id);
    table.FieldByName("Name").SetAsText(name);
    table.Post();
}

inline void AddLog(Dataset& log, int day, const std::string& kind, int duration)
{
    log.Append();
    log.FieldByName("Day").SetAsInteger(day);
    log.FieldByName("Kind").SetAsText(kind);
    log.FieldByName("Duration").SetAsInteger(duration);
    log.Post();
}

// Ids of the rows in the current order.
inline std::vector<int> IdsInOrder(const Dataset& table)
{
    std::vector<int> ids;
    for (int row = 0; row < table.RecordCount(); ++row)
        ids.push_back(table.RowValue(row, 0).ToInteger());
    return ids;
}

// A fresh, empty folder below the test's working directory.
inline std::filesystem::path ScratchFolder(const std::string& name)
{
    const std::filesystem::path folder = std::filesystem::current_path() / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

}  // namespace parlino::dataset::test
