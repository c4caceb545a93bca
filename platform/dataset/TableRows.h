// A table's rows taken out of it whole (Dataset::takeRows), with the table's layout.
//
// Nothing else refers to these rows, so whichever thread holds them may read them: the
// call-log saver makes them into the file's bytes on its own thread, which spares the main
// thread that at every talk start, and hands them back to be freed (BackgroundTableSaver).
#pragma once

#include "platform/dataset/FieldDef.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace parlino::dataset {

struct RowStore;

class TableRows {
public:
    TableRows(std::vector<FieldDef> layout, std::unique_ptr<RowStore> rows);
    ~TableRows();
    TableRows(TableRows&&) noexcept;
    TableRows& operator=(TableRows&&) noexcept;

    // The bytes the table's SaveToFile would have written when the rows were taken.
    std::vector<std::uint8_t> fileBytes() const;

private:
    std::vector<FieldDef> layout_;
    std::unique_ptr<RowStore> rows_;
};

}  // namespace parlino::dataset
