// Scopes for bulk passes over the store's tables: views frozen for the length of a pass, and
// a table opened for one operation only. Both undo themselves on every way out of the pass.
#pragma once

#include "platform/dataset/Dataset.h"

#include <exception>
#include <initializer_list>
#include <vector>

namespace parlino {

// Freezes the views of some tables; releases them in reverse order.
class FrozenViews {
public:
    explicit FrozenViews(std::initializer_list<dataset::Dataset*> tables) : tables_(tables)
    {
        for (dataset::Dataset* table : tables_)
            table->FreezeViews();
    }
    ~FrozenViews()
    {
        for (auto it = tables_.rbegin(); it != tables_.rend(); ++it)
            (*it)->ReleaseViews();
    }
    FrozenViews(const FrozenViews&) = delete;
    FrozenViews& operator=(const FrozenViews&) = delete;

private:
    std::vector<dataset::Dataset*> tables_;
};

// Opens a table (from its file) and closes it again at the end of the scope, which writes it
// back when it changed. A failed write is raised unless the scope is already being left by
// another error, which then wins.
class OpenForOneOperation {
public:
    enum class WriteBack {
        WhenChanged,
        // For scratch tables that every user empties first: one left empty is not written,
        // so that passes which fill nothing (most billing ticks) write no file at all.
        OnlyWithRows,
    };

    explicit OpenForOneOperation(dataset::Dataset& table, WriteBack writeBack = WriteBack::WhenChanged)
        : table_(table), writeBack_(writeBack), errorsAtStart_(std::uncaught_exceptions())
    {
        table_.Open();
    }
    ~OpenForOneOperation() noexcept(false)
    {
        if (closed_)
            return;
        try {
            closeTable();
        } catch (...) {
            if (std::uncaught_exceptions() == errorsAtStart_)
                throw;
        }
    }
    OpenForOneOperation(const OpenForOneOperation&) = delete;
    OpenForOneOperation& operator=(const OpenForOneOperation&) = delete;

    // Closes before the end of the scope (a failed write is raised at once).
    void Close()
    {
        closed_ = true;
        closeTable();
    }

private:
    void closeTable()
    {
        if (writeBack_ == WriteBack::OnlyWithRows && table_.Active() && table_.RecordCount() == 0) {
            // Closed without a file name, so nothing is written.
            const std::string fileName = table_.FileName();
            table_.SetFileName({});
            try {
                table_.Close();
            } catch (...) {
                table_.SetFileName(fileName);
                throw;
            }
            table_.SetFileName(fileName);
            return;
        }
        table_.Close();
    }

    dataset::Dataset& table_;
    WriteBack writeBack_;
    int errorsAtStart_;
    bool closed_ = false;
};

}  // namespace parlino
