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
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(std::min(at, rows.size())),
                std::move(row));
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
