// How a table holds its rows (private to the engine).
#pragma once

#include "platform/dataset/Value.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace parlino::dataset {

struct RowStore;

struct Row {
    std::uint64_t id = 0;     // the row's handle; unique in the process, never reused
    bool pending = false;     // being inserted: not yet posted, not saved
    // The row's place in its store: a row further on in RowStore::rows has a greater value.
    // Indexes order rows with equal keys by it.
    std::uint64_t place = 0;
    std::vector<Value> values;                      // one per field (null for nested fields)
    std::vector<std::unique_ptr<RowStore>> nested;  // one per field (set for nested fields)
};

// Rows in the order they were added (inserts land before the row that was current).
struct RowStore {
    std::vector<std::unique_ptr<Row>> rows;

    Row& Add(std::unique_ptr<Row> row, std::size_t at);
    // Room for `more` rows beyond those held, so that adding many rows at once moves the
    // rows and the handles only once.
    void Reserve(std::size_t more);
    void Remove(const Row* row);
    void Clear();
    std::size_t IndexOf(const Row* row) const;  // rows.size() when absent
    Row* Find(std::uint64_t id) const;          // the row with this handle; nullptr when none

private:
    // Rows by handle, built at the first look-up and kept up from then on: a table whose
    // rows nobody looks up by handle (a scratch copy made to be saved) pays nothing for it.
    mutable std::unordered_map<std::uint64_t, Row*> byId_;
    mutable bool byIdBuilt_ = false;
};

// A fresh handle value for a new row.
std::uint64_t NextRowId();

}  // namespace parlino::dataset
