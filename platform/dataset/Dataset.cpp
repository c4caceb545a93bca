// Layout, fields and the edit states of a table.
#include "platform/dataset/Dataset.h"

#include "platform/dataset/DatasetIndex.h"
#include "platform/dataset/RowStore.h"

#include <algorithm>
#include <optional>

namespace parlino::dataset {

Dataset::Dataset(std::vector<FieldDef> layout, std::string name)
    : name_(std::move(name)), layout_(std::move(layout))
{
    BuildFields();
}

Dataset::Dataset(Dataset& owner, Field& ownerField, std::vector<FieldDef> layout)
    : name_(ownerField.Name()), layout_(std::move(layout)), owner_(&owner), ownerField_(&ownerField)
{
    BuildFields();
}

Dataset::~Dataset()
{
    const std::vector<DatasetListener*> listeners = listeners_;
    for (DatasetListener* listener : listeners)
        listener->DatasetDestroyed(*this);
}

void Dataset::BuildFields()
{
    fields_.clear();
    for (std::size_t i = 0; i < layout_.size(); ++i)
        fields_.push_back(std::make_unique<Field>(*this, static_cast<int>(i), layout_[i]));
}

void Dataset::SetLayout(std::vector<FieldDef> layout)
{
    if (Active())
        throw DatasetError("Cannot change the layout of open table " + name_);
    layout_ = std::move(layout);
    indexes_.clear();
    compiled_.clear();
    indexName_.clear();
    aggregates_.clear();
    keptOrders_.clear();
    BuildFields();
}

Field& Dataset::FieldAt(int index) const
{
    if (index < 0 || index >= FieldCount())
        throw DatasetError("Field index " + std::to_string(index) + " out of range in " + name_);
    return *fields_[static_cast<std::size_t>(index)];
}

Field* Dataset::FindField(std::string_view name) const
{
    for (const auto& field : fields_)
        if (field->Name() == name)
            return field.get();
    return nullptr;
}

Field& Dataset::FieldByName(std::string_view name) const
{
    if (Field* field = FindField(name))
        return *field;
    throw DatasetError(name_ + ": Field '" + std::string(name) + "' not found");
}

void Dataset::CheckActive() const
{
    if (!Active())
        throw DatasetError("Cannot perform this operation on a closed table (" + name_ + ")");
}

void Dataset::CheckEditing() const
{
    if (state_ != DatasetState::Edit && state_ != DatasetState::Insert)
        throw DatasetError("Table " + name_ + " is not in edit or insert mode");
}

// ---- edit states ----

void Dataset::ApplyDefaults(Row& row) const
{
    row.values.resize(fields_.size());
    if (std::any_of(fields_.begin(), fields_.end(),
                    [](const auto& field) { return field->Nested(); }))
        row.nested.resize(fields_.size());
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const Field& field = *fields_[i];
        if (field.Type() == FieldType::Nested)
            row.nested[i] = std::make_unique<RowStore>();
        else if (!field.Def().defaultValue.IsNull())
            row.values[i] = field.Coerce(field.Def().defaultValue);
    }
}

void Dataset::BeginNewRow(bool atEnd)
{
    CheckActive();
    CheckBrowse();
    if (!rows_)
        throw DatasetError("Nested table " + name_ + " has no owner row");
    auto row = std::make_unique<Row>();
    row->id = NextRowId();
    row->pending = true;
    ApplyDefaults(*row);
    Row* current = pos_ >= 0 ? order_[static_cast<std::size_t>(pos_)] : nullptr;
    if (atEnd || !current) {
        newRow_ = &rows_->Add(std::move(row), rows_->rows.size());
        order_.push_back(newRow_);
        pos_ = static_cast<int>(order_.size()) - 1;
    } else {
        newRow_ = &rows_->Add(std::move(row), rows_->IndexOf(current));
        order_.insert(order_.begin() + pos_, newRow_);
    }
    state_ = DatasetState::Insert;
    eof_ = bof_ = false;
    RebindNested();
    NotifyData();
    NotifyState();
    NotifyCursor();
}

void Dataset::Append()
{
    BeginNewRow(true);
}

void Dataset::Insert()
{
    BeginNewRow(false);
}

void Dataset::Edit()
{
    CheckActive();
    if (state_ != DatasetState::Browse)
        return;
    if (order_.empty()) {
        Insert();
        return;
    }
    editValues_ = order_[static_cast<std::size_t>(pos_)]->values;
    state_ = DatasetState::Edit;
    NotifyState();
    if (AfterEdit)
        AfterEdit(*this);
}

void Dataset::Post()
{
    CheckEditing();
    for (auto& child : fields_)  // the row's nested rows are posted with it
        if (Dataset* nested = child->Nested())
            nested->CheckBrowse();
    CheckRequired(state_ == DatasetState::Edit ? editValues_ : newRow_->values);
    Row* row = order_[static_cast<std::size_t>(pos_)];
    if (state_ == DatasetState::Edit) {
        row->values = std::move(editValues_);
        editValues_.clear();
    } else {
        row->pending = false;
        newRow_ = nullptr;
    }
    state_ = DatasetState::Browse;
    MarkModified();
    // Only the posted row moves: re-sorting every row at each post made filling a table
    // cost the square of its rows.
    PlacePostedRow();
    NotifyState();
    NotifyData();
    NotifyCursor();
    if (AfterPost)
        AfterPost(*this);
}

void Dataset::CheckRequired(const std::vector<Value>& values) const
{
    for (const auto& field : fields_)
        if (field->Required() && field->Type() != FieldType::Nested &&
            values[static_cast<std::size_t>(field->Index())].IsNull())
            throw DatasetError("Field '" + field->Name() + "' must have a value");
}

void Dataset::Cancel()
{
    if (state_ == DatasetState::Edit) {
        editValues_.clear();
        state_ = DatasetState::Browse;
        NotifyRow(pos_);
    } else if (state_ == DatasetState::Insert) {
        for (auto& child : fields_)
            if (Dataset* nested = child->Nested(); nested && nested->state_ != DatasetState::Browse)
                nested->Cancel();
        order_.erase(order_.begin() + pos_);
        rows_->Remove(newRow_);
        newRow_ = nullptr;
        state_ = DatasetState::Browse;
        if (pos_ >= static_cast<int>(order_.size()))
            pos_ = static_cast<int>(order_.size()) - 1;
        eof_ = bof_ = order_.empty();
        RebindNested();
        NotifyData();
        NotifyCursor();
    } else {
        return;
    }
    NotifyState();
    if (AfterCancel)
        AfterCancel(*this);
}

void Dataset::Delete()
{
    CheckActive();
    if (state_ == DatasetState::Insert) {
        Cancel();
        return;
    }
    if (order_.empty())
        throw DatasetError("Cannot perform this operation on an empty table (" + name_ + ")");
    if (state_ == DatasetState::Edit) {
        editValues_.clear();
        state_ = DatasetState::Browse;
        NotifyState();
    }
    for (auto& child : fields_)
        if (Dataset* nested = child->Nested(); nested && nested->state_ != DatasetState::Browse)
            nested->Cancel();
    if (BeforeDelete)
        BeforeDelete(*this);
    Row* row = order_[static_cast<std::size_t>(pos_)];
    order_.erase(order_.begin() + pos_);
    rows_->Remove(row);
    if (pos_ >= static_cast<int>(order_.size()))
        pos_ = static_cast<int>(order_.size()) - 1;
    eof_ = bof_ = order_.empty();
    MarkModified();
    RebindNested();
    NotifyData();
    NotifyCursor();
}

void Dataset::AppendCopies(Dataset& source, const std::vector<Field*>& fields)
{
    CheckActive();
    CheckBrowse();
    source.CheckActive();
    source.CheckBrowse();
    const std::size_t mapped = std::min(fields.size(), fields_.size());
    const auto appendOne = [&](std::size_t at) {
        Append();
        for (std::size_t i = 0; i < mapped; ++i)
            if (fields[i])
                fields_[i]->SetValue(
                    source.order_[at]->values[static_cast<std::size_t>(fields[i]->Index())]);
        Post();
    };
    // Events must see every row as it is posted: the row by row way.
    const bool hooked = AfterPost ||
        std::any_of(fields_.begin(), fields_.end(),
                    [](const auto& field) { return field->OnValidate; });
    const Index* index = CurrentIndex();
    if (!hooked && rows_) {
        rows_->Reserve(source.order_.size());
        if (!index && order_.size() + source.order_.size() > order_.capacity())
            order_.reserve(std::max(order_.size() + source.order_.size(), 2 * order_.capacity()));
    }
    // Without nested fields every row starts from the same defaults: coerced once, copied.
    const bool hasNested = std::any_of(fields_.begin(), fields_.end(),
                                       [](const auto& field) { return field->Nested(); });
    std::optional<std::vector<Value>> defaults;
    constexpr std::size_t RowsAhead = 32;
    constexpr std::size_t ValuesAhead = 16;
    bool added = false;
    for (std::size_t at = 0; at < source.order_.size(); ++at) {
        if (hooked || !rows_) {
            appendOne(at);
            continue;
        }
        auto row = std::make_unique<Row>();
        row->id = NextRowId();
        if (hasNested) {
            ApplyDefaults(*row);
        } else if (!defaults) {
            Row blank;
            ApplyDefaults(blank);
            defaults = std::move(blank.values);
        }
        // Rows in an index's order can lie anywhere in memory, and a long table does not fit
        // the caches: read one after another, each row would wait for memory on its own (half
        // the time of copying a 30,000-row call log). So the rows read a little later are
        // asked for now: the row first, its values once the row is there. (Written out here:
        // GCC drops a prefetch made in a helper of its own as a call without effect.)
        if (at + RowsAhead < source.order_.size())
            __builtin_prefetch(source.order_[at + RowsAhead]);
        if (at + ValuesAhead < source.order_.size()) {
            const std::vector<Value>& values = source.order_[at + ValuesAhead]->values;
            const char* end = reinterpret_cast<const char*>(values.data() + values.size());
            for (auto line = reinterpret_cast<const char*>(values.data()); line < end; line += 64)
                __builtin_prefetch(line);
        }
        try {
            const Row& from = *source.order_[at];
            const auto copied = [&](std::size_t i) {
                return fields_[i]->Coerce(
                    from.values[static_cast<std::size_t>(fields[i]->Index())]);
            };
            if (hasNested) {
                for (std::size_t i = 0; i < mapped; ++i)
                    if (fields[i])
                        row->values[i] = copied(i);
            } else {
                // Each value made in place: no default first to be overwritten.
                row->values.reserve(fields_.size());
                for (std::size_t i = 0; i < fields_.size(); ++i)
                    row->values.push_back(i < mapped && fields[i] ? copied(i) : (*defaults)[i]);
            }
            CheckRequired(row->values);
        } catch (const DatasetError&) {
            appendOne(at);  // raises the same error with the row left open, as row by row
            throw;          // should it not, the copy still stops here
        }
        Row* stored = &rows_->Add(std::move(row), rows_->rows.size());
        if (index) {
            const auto place = std::lower_bound(
                order_.begin(), order_.end(), stored,
                [index](const Row* a, const Row* b) { return OrderLess(*index, *a, *b); });
            const auto inserted = order_.insert(place, stored);
            pos_ = static_cast<int>(inserted - order_.begin());
        } else {
            order_.push_back(stored);
            pos_ = static_cast<int>(order_.size()) - 1;
        }
        added = true;
    }
    if (added) {
        eof_ = bof_ = false;
        MarkModified();
        RebindNested();
        NotifyData();
        NotifyCursor();
    }
    if (source.order_.empty())
        source.First();
    else
        source.Last();
}

void Dataset::StoreValue(int field, Value value)
{
    if (state_ == DatasetState::Edit)
        editValues_[static_cast<std::size_t>(field)] = std::move(value);
    else
        newRow_->values[static_cast<std::size_t>(field)] = std::move(value);
    NotifyRow(pos_);
}

}  // namespace parlino::dataset
