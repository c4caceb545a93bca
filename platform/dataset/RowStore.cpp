#include "platform/dataset/RowStore.h"

#include <algorithm>
#include <atomic>

namespace parlino::dataset {

std::uint64_t NextRowId()
{
    static std::atomic<std::uint64_t> counter{0};
    return ++counter;
}

Row& RowStore::Add(std::unique_ptr<Row> row, std::size_t at)
{
    Row& added = *row;
    byId[added.id] = &added;
    if (at >= rows.size()) {
        added.place = rows.empty() ? 0 : rows.back()->place + 1;
        rows.push_back(std::move(row));
        return added;
    }
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(at), std::move(row));
    // A row put in between renumbers the store; appending, the common case, stays cheap.
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i]->place = i;
    return added;
}

void RowStore::Remove(const Row* row)
{
    const std::size_t at = IndexOf(row);
    if (at == rows.size())
        return;
    byId.erase(row->id);
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(at));
}

void RowStore::Clear()
{
    byId.clear();
    rows.clear();
}

std::size_t RowStore::IndexOf(const Row* row) const
{
    const auto found = std::find_if(rows.begin(), rows.end(),
                                    [row](const std::unique_ptr<Row>& r) { return r.get() == row; });
    return static_cast<std::size_t>(found - rows.begin());
}

}  // namespace parlino::dataset
