// An in-memory table: typed fields, rows, a cursor with browse/edit/insert states, named
// indexes, maintained sums, stable row handles, nested tables and its own binary file.
//
// Used on the main thread only. A nested table (Field::Nested()) is a Dataset too: it shows
// the rows that belong to its owner's current row and follows that row as it moves.
#pragma once

#include "platform/dataset/DatasetErrors.h"
#include "platform/dataset/DatasetListener.h"
#include "platform/dataset/Field.h"
#include "platform/dataset/FieldDef.h"
#include "platform/dataset/Value.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace parlino::dataset {

struct Row;
struct RowStore;
struct TableFileContents;
class TableRows;

enum class DatasetState { Inactive, Browse, Edit, Insert };

// A handle on one row: stays valid while other rows are added, deleted or reordered, until
// its row is deleted or the table emptied, closed or reloaded. Null when default-made.
struct Bookmark {
    std::uint64_t rowId = 0;
    bool IsNull() const { return rowId == 0; }
    bool operator==(const Bookmark&) const = default;
};

// An index: fields separated by ';'; the fields listed in descendingFields sort descending,
// those in caseInsensitiveFields compare texts without case. Ties keep the order rows were
// added in.
struct IndexDef {
    std::string name;
    std::string fields;
    std::string descendingFields;
    std::string caseInsensitiveFields;
};

// A maintained sum: "Sum(<field>)" over the rows that share the current row's value of the
// first field of indexName (groupingLevel 1) or over all rows (groupingLevel 0). It has a
// value only while indexName is the current index.
struct AggregateDef {
    std::string name;
    std::string expression;
    std::string indexName;
    int groupingLevel = 1;
};

class Dataset {
public:
    explicit Dataset(std::vector<FieldDef> layout = {}, std::string name = {});
    ~Dataset();
    Dataset(const Dataset&) = delete;
    Dataset& operator=(const Dataset&) = delete;

    // ---- layout ----
    const std::string& Name() const { return name_; }  // for messages and debugging
    void SetName(std::string name) { name_ = std::move(name); }
    void SetLayout(std::vector<FieldDef> layout);       // only while closed
    const std::vector<FieldDef>& Layout() const { return layout_; }     // field definitions
    int FieldCount() const { return static_cast<int>(fields_.size()); }  // fields, nested ones too
    Field& FieldAt(int index) const;                    // throws DatasetError when out of range
    Field& FieldByName(std::string_view name) const;    // throws DatasetError when unknown
    Field* FindField(std::string_view name) const;      // nullptr when unknown
    Dataset* Owner() const { return owner_; }           // owning table of a nested table
    Field* OwnerField() const { return ownerField_; }   // the owner's Nested field

    // ---- file and lifecycle ----
    void SetFileName(std::string path) { fileName_ = std::move(path); }  // used by Open/Close
    const std::string& FileName() const { return fileName_; }
    // Loads FileName (must exist) or, with no file name, starts an empty table in memory.
    // A missing, truncated, foreign or damaged file throws DatasetError naming the file and
    // leaves the table closed. Opening an open table does nothing.
    void Open();
    // Posts a pending edit, writes the table back to FileName when its data changed since it
    // was loaded, then closes. Handles become invalid. A failed write throws; the table is
    // closed all the same.
    void Close();
    bool Active() const { return state_ != DatasetState::Inactive; }  // open
    // Replaces the rows with those of the file and opens the table (the file's layout must
    // match). The old rows are dropped without being written anywhere; the data counts as
    // unchanged afterwards. On failure the table keeps its rows.
    void LoadFromFile(const std::string& path);
    // The same with the bytes of such a file; `path` names them in messages.
    void LoadFromBytes(const std::vector<std::uint8_t>& bytes, const std::string& path);
    // Writes the whole table to a new file and renames it over path (no torn files).
    void SaveToFile(const std::string& path) const;
    // The bytes SaveToFile would write, for a save made elsewhere (BackgroundTableSaver).
    std::vector<std::uint8_t> FileBytes() const;
    void Empty();                                      // deletes every row (no events)
    // Empties the table as Empty does, but hands its rows over instead of freeing them: what
    // SaveToFile would write now, to be made into the bytes elsewhere (BackgroundTableSaver).
    TableRows takeRows();
    bool Modified() const { return modified_; }        // data changed since loaded/created

    // ---- state and editing ----
    DatasetState State() const { return state_; }  // Inactive when closed
    void Append();  // new row at the end, in insert state, defaults applied
    void Insert();  // new row before the current one, in insert state, defaults applied
    void Edit();    // current row into edit state (inserts when the table is empty); AfterEdit
    void Post();    // checks required fields, stores the row, back to browse; AfterPost
    void Cancel();  // drops the edit or the new row; AfterCancel. Nothing in browse state
    void Delete();  // BeforeDelete, then removes the current row (cancels a new one)
    // Appends a copy of every row of `source`, from its first to its last in its current
    // order, as Append, the assignments and Post would for each: field i takes the value of
    // fields[i] (a field of source; none: its default). Afterwards the last row appended is
    // current here and source stands at its end. A row refused stops the copy with the
    // error and is left unposted. Without events to run per row, this costs no more than
    // the rows themselves.
    void AppendCopies(Dataset& source, const std::vector<Field*>& fields);

    // ---- cursor and rows in the current order ----
    // Moving posts a pending edit or insert first (and of the nested tables).
    void First();  // first row; sets Bof (and Eof when empty)
    void Next();   // at the last row sets Eof and stays
    void Prior();  // at the first row sets Bof and stays
    void Last();   // last row; sets Eof
    bool Eof() const { return eof_; }  // a Next went past the last row, or no rows
    bool Bof() const { return bof_; }  // a Prior went before the first row, or First
    int RecordCount() const;              // rows visible, a row being inserted included
    int Position() const { return pos_; } // current row's position, -1 when none
    void MoveTo(int position);            // posts a pending edit first; throws when out of range
    bool IsEmpty() const { return RecordCount() == 0; }
    // Value of a field of the row at a position (the edit buffer for the row being edited).
    Value RowValue(int position, int fieldIndex) const;

    // ---- row handles ----
    Bookmark GetBookmark() const;                  // current row's handle; null when none
    bool BookmarkValid(const Bookmark& mark) const;
    void GotoBookmark(const Bookmark& mark);       // throws DatasetError when not valid
    void FreeBookmark(Bookmark& mark) const { mark = {}; }

    // ---- indexes ----
    void AddIndex(IndexDef def);                   // replaces one of the same name
    const std::vector<IndexDef>& Indexes() const { return indexes_; }  // in the order added
    void ClearIndexes();                           // drops all; default order becomes current
    // Makes the named index current (empty: the order rows were added in). Throws for an
    // unknown name. The current row stays current.
    void SetIndexName(std::string_view name);
    const std::string& IndexName() const { return indexName_; }  // "" for the default order

    // ---- maintained aggregates ----
    void AddAggregate(AggregateDef def);  // replaces one of the same name; checks the expression
    // Current value: the sum as a float, or null when its index is not current or there is
    // no current row.
    Value AggregateValue(std::string_view name) const;

    // ---- bound views ----
    void FreezeViews();         // nests; views get no updates until the matching release
    void ReleaseViews();        // the outermost one reports FreezeChanged(false), then what was missed
    bool ViewsFrozen() const { return freezeCount_ > 0; }
    void AddListener(DatasetListener* listener);     // not owned; must outlive or be removed
    void RemoveListener(DatasetListener* listener);  // safe while listeners are being told
    void Refresh();             // tells the views to re-read everything

    // ---- events (may be empty) ----
    std::function<void(Dataset&)> BeforeDelete;  // before the current row is deleted
    std::function<void(Dataset&)> AfterEdit;     // after a row entered edit state
    std::function<void(Dataset&)> AfterCancel;   // after an edit or insert was cancelled
    std::function<void(Dataset&)> AfterPost;     // after a row was posted (it is current)

private:
    friend class Field;
    struct Index;
    class Notifier;

    Dataset(Dataset& owner, Field& ownerField, std::vector<FieldDef> layout);
    void BuildFields();
    void CheckActive() const;
    void CheckEditing() const;               // throws unless in edit or insert state
    void CheckRequired(
        const std::vector<Value>& values) const;  // a row's values before it is stored
    void CheckBrowse();                      // posts a pending edit or insert
    const Value& ActiveValue(int field) const;
    void StoreValue(int field, Value value);
    void BeginNewRow(bool atEnd);
    void ApplyDefaults(Row& row) const;
    void Reorder();                          // rebuilds the current order, keeps the cursor
    // Moves the current row, just posted, to its place in the current order (which every
    // other row keeps), and the cursor with it.
    void PlacePostedRow();
    void ShowFromFirst();                    // new rows shown: order rebuilt, cursor on first
    void RebindNested();                     // nested tables follow the active row
    // Nested: show the rows of another owner row (its handle, 0 for none).
    void AttachStore(RowStore* store, std::uint64_t ownerRow);
    // Nested: the current order of the owner row being left, kept for a return to it.
    void KeepOrder();
    bool TakeKeptOrder();  // the kept order of the attached owner row, when there is one
    void MarkModified();
    int PositionOf(const Row* row) const;
    const Index* CurrentIndex() const;
    static bool RowLess(const Index& index, const Row& a, const Row& b);
    // RowLess, with equal keys in the order of the store: the order of the current index.
    static bool OrderLess(const Index& index, const Row& a, const Row& b);
    std::unique_ptr<Index> Compile(const IndexDef& def) const;
    int AggregateField(const AggregateDef& def) const;  // the summed field; throws when bad
    void AdoptRows(std::unique_ptr<RowStore> rows);
    void AdoptContents(TableFileContents contents, const std::string& path);

    void NotifyData();
    void NotifyRow(int position);
    void NotifyCursor();
    void NotifyLayout();
    void NotifyState();

    std::string name_;
    std::vector<FieldDef> layout_;
    std::vector<std::unique_ptr<Field>> fields_;
    Dataset* owner_ = nullptr;
    Field* ownerField_ = nullptr;
    std::string fileName_;

    std::unique_ptr<RowStore> ownRows_;  // a top-level table's rows
    RowStore* rows_ = nullptr;           // rows shown (own, or the owner row's nested rows)
    std::vector<Row*> order_;            // rows in current order
    int pos_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    DatasetState state_ = DatasetState::Inactive;
    std::vector<Value> editValues_;      // the row's values while editing
    Row* newRow_ = nullptr;              // the row being inserted (already in rows_)
    bool modified_ = false;

    // Nested: the owner row whose rows are shown, and the order of each owner row's rows as
    // last shown, for as long as the current index stays: moving the owner back and forth
    // between two accounts costs no sort of their call logs. Cleared when the index changes.
    std::uint64_t attachedOwnerRow_ = 0;
    std::unordered_map<std::uint64_t, std::vector<Row*>> keptOrders_;

    std::vector<IndexDef> indexes_;
    std::vector<std::unique_ptr<Index>> compiled_;
    std::string indexName_;
    std::vector<AggregateDef> aggregates_;

    int freezeCount_ = 0;
    bool dataMissed_ = false;    // data, layout or state changed while frozen
    bool cursorMissed_ = false;  // the current row moved while frozen
    std::vector<DatasetListener*> listeners_;
};

}  // namespace parlino::dataset
