// What a view bound to a table (grid, navigator) is told about it.
//
// Listeners are called on the thread that changed the table (the main thread). While the
// table's views are frozen nothing but the freeze itself is reported; the release that
// ends the outermost freeze is followed by DataChanged and CursorMoved when the data
// changed meanwhile, by CursorMoved alone when only the current row moved, and by nothing
// when nothing changed (a lookup that found nothing must not make views lay out anew).
#pragma once

namespace parlino::dataset {

class Dataset;

class DatasetListener {
public:
    virtual ~DatasetListener() = default;

    // Rows were added, removed, reordered or reloaded: re-read everything.
    virtual void DataChanged(Dataset&) {}
    // The values of the row at this position (current order) changed.
    virtual void RowChanged(Dataset&, int /*position*/) {}
    // The current row moved to another position (or to none).
    virtual void CursorMoved(Dataset&) {}
    // The table was opened or closed, or its current index changed: re-read columns and rows.
    virtual void LayoutChanged(Dataset&) {}
    // The table went into or out of edit or insert state.
    virtual void StateChanged(Dataset&) {}
    // The first freeze began (frozen true) or the last one ended (frozen false).
    virtual void FreezeChanged(Dataset&, bool /*frozen*/) {}
    // The table is being destroyed; the listener must forget it.
    virtual void DatasetDestroyed(Dataset&) {}
};

}  // namespace parlino::dataset
