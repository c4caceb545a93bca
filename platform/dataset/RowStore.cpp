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
    if (byIdBuilt_)
        byId_[added.id] = &added;
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

void RowStore::Reserve(std::size_t more)
{
    // At least doubled, so that many small batches still grow the store geometrically.
    const std::size_t needed = rows.size() + more;
    if (needed > rows.capacity())
        rows.reserve(std::max(needed, 2 * rows.capacity()));
    if (byIdBuilt_ &&
        static_cast<float>(needed) >
            static_cast<float>(byId_.bucket_count()) * byId_.max_load_factor())
        byId_.reserve(std::max(needed, 2 * byId_.size()));
}

void RowStore::Remove(const Row* row)
{
    const std::size_t at = IndexOf(row);
    if (at == rows.size())
        return;
    byId_.erase(row->id);
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(at));
}

void RowStore::Clear()
{
    byId_.clear();
    byIdBuilt_ = false;
    rows.clear();
}

std::size_t RowStore::IndexOf(const Row* row) const
{
    const auto found = std::find_if(rows.begin(), rows.end(),
                                    [row](const std::unique_ptr<Row>& r) { return r.get() == row; });
    return static_cast<std::size_t>(found - rows.begin());
}

Row* RowStore::Find(std::uint64_t id) const
{
    if (!byIdBuilt_) {
        byId_.reserve(rows.size());
        for (const auto& row : rows)
            byId_[row->id] = row.get();
        byIdBuilt_ = true;
    }
    const auto found = byId_.find(id);
    return found == byId_.end() ? nullptr : found->second;
}

}  // namespace parlino::dataset
