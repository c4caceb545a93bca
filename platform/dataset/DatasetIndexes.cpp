// Named indexes (the current order of a table) and the sums maintained over them.
#include "platform/dataset/Dataset.h"

#include "platform/dataset/DatasetIndex.h"
#include "platform/dataset/RowStore.h"

#include <algorithm>
#include <cctype>

namespace parlino::dataset {

namespace {
std::vector<std::string> SplitNames(const std::string& list)
{
    std::vector<std::string> names;
    std::string current;
    for (char c : list + ";") {
        if (c == ';') {
            while (!current.empty() && current.back() == ' ')
                current.pop_back();
            if (!current.empty())
                names.push_back(current);
            current.clear();
        } else if (c != ' ' || !current.empty()) {
            current += c;
        }
    }
    return names;
}

bool Listed(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Case folding of single-byte (Latin-1) letters.
unsigned char Fold(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return static_cast<unsigned char>(c + 32);
    return c;
}

int CompareText(const std::string& a, const std::string& b, bool caseInsensitive)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (caseInsensitive) {
            x = Fold(x);
            y = Fold(y);
        }
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Null sorts before every value.
int CompareValues(const Value& a, const Value& b, bool caseInsensitive)
{
    if (a.IsNull() || b.IsNull())
        return a.IsNull() == b.IsNull() ? 0 : (a.IsNull() ? -1 : 1);
    if (a.IsText() && b.IsText())
        return CompareText(a.ToText(), b.ToText(), caseInsensitive);
    const double x = a.ToFloat();
    const double y = b.ToFloat();
    return x < y ? -1 : (x > y ? 1 : 0);
}
}  // namespace

std::unique_ptr<Dataset::Index> Dataset::Compile(const IndexDef& def) const
{
    auto index = std::make_unique<Index>();
    index->name = def.name;
    const std::vector<std::string> descending = SplitNames(def.descendingFields);
    const std::vector<std::string> folded = SplitNames(def.caseInsensitiveFields);
    for (const std::string& name : SplitNames(def.fields)) {
        const Field& field = FieldByName(name);
        if (field.Type() == FieldType::Nested)
            throw DatasetError("Index " + def.name + ": field '" + name + "' cannot be indexed");
        index->keys.push_back({field.Index(), Listed(descending, name), Listed(folded, name)});
    }
    if (index->keys.empty())
        throw DatasetError("Index " + def.name + " has no fields");
    return index;
}

bool Dataset::RowLess(const Index& index, const Row& a, const Row& b)
{
    for (const Index::Key& key : index.keys) {
        const auto field = static_cast<std::size_t>(key.field);
        const int order = CompareValues(a.values[field], b.values[field], key.caseInsensitive);
        if (order != 0)
            return key.descending ? order > 0 : order < 0;
    }
    return false;
}

bool Dataset::OrderLess(const Index& index, const Row& a, const Row& b)
{
    if (RowLess(index, a, b))
        return true;
    return !RowLess(index, b, a) && a.place < b.place;
}

const Dataset::Index* Dataset::CurrentIndex() const
{
    if (indexName_.empty())
        return nullptr;
    for (const auto& index : compiled_)
        if (index->name == indexName_)
            return index.get();
    return nullptr;
}

void Dataset::Reorder()
{
    Row* current = pos_ >= 0 && pos_ < static_cast<int>(order_.size())
                       ? order_[static_cast<std::size_t>(pos_)]
                       : nullptr;
    order_.clear();
    if (rows_) {
        order_.reserve(rows_->rows.size());
        for (const auto& row : rows_->rows)
            order_.push_back(row.get());
    }
    if (const Index* index = CurrentIndex())
        std::sort(order_.begin(), order_.end(),
                  [index](const Row* a, const Row* b) { return OrderLess(*index, *a, *b); });
    if (current)
        pos_ = PositionOf(current);
}

void Dataset::PlacePostedRow()
{
    // Without an index the order is the store's, where a new row was put in its place.
    const Index* index = CurrentIndex();
    if (!index || pos_ < 0)
        return;
    Row* row = order_[static_cast<std::size_t>(pos_)];
    order_.erase(order_.begin() + pos_);
    const auto place = std::lower_bound(
        order_.begin(), order_.end(), row,
        [index](const Row* a, const Row* b) { return OrderLess(*index, *a, *b); });
    const auto inserted = order_.insert(place, row);
    pos_ = static_cast<int>(inserted - order_.begin());
}

void Dataset::AddIndex(IndexDef def)
{
    std::unique_ptr<Index> compiled = Compile(def);
    const auto same = [&def](const IndexDef& d) { return d.name == def.name; };
    indexes_.erase(std::remove_if(indexes_.begin(), indexes_.end(), same), indexes_.end());
    compiled_.erase(std::remove_if(compiled_.begin(), compiled_.end(),
                                   [&def](const std::unique_ptr<Index>& i) { return i->name == def.name; }),
                    compiled_.end());
    indexes_.push_back(std::move(def));
    compiled_.push_back(std::move(compiled));
    keptOrders_.clear();
    if (Active() && indexName_ == indexes_.back().name) {
        Reorder();
        NotifyData();
        NotifyCursor();
    }
}

void Dataset::ClearIndexes()
{
    if (Active())
        CheckBrowse();
    indexes_.clear();
    compiled_.clear();
    SetIndexName({});
}

void Dataset::SetIndexName(std::string_view name)
{
    if (!name.empty() && std::none_of(indexes_.begin(), indexes_.end(),
                                      [name](const IndexDef& d) { return d.name == name; }))
        throw DatasetError(name_ + ": Index '" + std::string(name) + "' not found");
    if (Active())
        CheckBrowse();
    indexName_ = std::string(name);
    keptOrders_.clear();
    if (!Active())
        return;
    Reorder();
    NotifyLayout();
    NotifyData();
    NotifyCursor();
}

// ---- aggregates ----

int Dataset::AggregateField(const AggregateDef& def) const
{
    const std::string& expression = def.expression;
    const auto open = expression.find('(');
    const auto close = expression.rfind(')');
    std::string function = expression.substr(0, open == std::string::npos ? 0 : open);
    std::transform(function.begin(), function.end(), function.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (function != "sum" || close == std::string::npos || close < open)
        throw DatasetError("Aggregate " + def.name + ": unsupported expression '" + expression + "'");
    const Field& field = FieldByName(expression.substr(open + 1, close - open - 1));
    if (field.Type() != FieldType::Integer && field.Type() != FieldType::Float)
        throw DatasetError("Aggregate " + def.name + ": field '" + field.Name() + "' is not a number");
    return field.Index();
}

void Dataset::AddAggregate(AggregateDef def)
{
    AggregateField(def);
    const auto same = [&def](const AggregateDef& d) { return d.name == def.name; };
    aggregates_.erase(std::remove_if(aggregates_.begin(), aggregates_.end(), same), aggregates_.end());
    aggregates_.push_back(std::move(def));
}

Value Dataset::AggregateValue(std::string_view name) const
{
    const auto found = std::find_if(aggregates_.begin(), aggregates_.end(),
                                    [name](const AggregateDef& d) { return d.name == name; });
    if (found == aggregates_.end())
        throw DatasetError(name_ + ": Aggregate '" + std::string(name) + "' not found");
    const Index* index = CurrentIndex();
    if (!index || index->name != found->indexName || pos_ < 0)
        return {};
    const int summed = AggregateField(*found);
    const bool grouped = found->groupingLevel > 0;
    const Index::Key& group = index->keys.front();
    const Value groupValue = RowValue(pos_, group.field);
    double sum = 0;
    for (int position = 0; position < RecordCount(); ++position) {
        if (grouped &&
            CompareValues(RowValue(position, group.field), groupValue, group.caseInsensitive) != 0)
            continue;
        sum += RowValue(position, summed).ToFloat();
    }
    return sum;
}

}  // namespace parlino::dataset
