// Moving through a table, row handles, nested tables following their owner, and telling
// the bound views.
#include "platform/dataset/Dataset.h"

#include "platform/dataset/DatasetIndex.h"
#include "platform/dataset/RowStore.h"

#include <algorithm>
#include <utility>

namespace parlino::dataset {

void Dataset::CheckBrowse()
{
    for (auto& field : fields_)
        if (Dataset* nested = field->Nested())
            nested->CheckBrowse();
    if (state_ == DatasetState::Edit || state_ == DatasetState::Insert)
        Post();
}

int Dataset::RecordCount() const
{
    return static_cast<int>(order_.size());
}

void Dataset::First()
{
    CheckActive();
    CheckBrowse();
    pos_ = order_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = order_.empty();
    RebindNested();
    NotifyCursor();
}

void Dataset::Last()
{
    CheckActive();
    CheckBrowse();
    pos_ = static_cast<int>(order_.size()) - 1;
    eof_ = true;
    bof_ = order_.empty();
    RebindNested();
    NotifyCursor();
}

void Dataset::Next()
{
    CheckActive();
    CheckBrowse();
    if (pos_ + 1 < static_cast<int>(order_.size())) {
        ++pos_;
        bof_ = eof_ = false;
        RebindNested();
        NotifyCursor();
    } else {
        eof_ = true;
    }
}

void Dataset::Prior()
{
    CheckActive();
    CheckBrowse();
    if (pos_ > 0) {
        --pos_;
        bof_ = eof_ = false;
        RebindNested();
        NotifyCursor();
    } else {
        bof_ = true;
    }
}

void Dataset::MoveTo(int position)
{
    CheckActive();
    if (position < 0 || position >= static_cast<int>(order_.size()))
        throw DatasetError("Row " + std::to_string(position) + " does not exist in " + name_);
    CheckBrowse();
    pos_ = std::min(position, static_cast<int>(order_.size()) - 1);
    bof_ = eof_ = false;
    RebindNested();
    NotifyCursor();
}

Value Dataset::RowValue(int position, int fieldIndex) const
{
    if (position < 0 || position >= static_cast<int>(order_.size()))
        throw DatasetError("Row " + std::to_string(position) + " does not exist in " + name_);
    FieldAt(fieldIndex);
    if (state_ == DatasetState::Edit && position == pos_)
        return editValues_[static_cast<std::size_t>(fieldIndex)];
    return order_[static_cast<std::size_t>(position)]->values[static_cast<std::size_t>(fieldIndex)];
}

const Value& Dataset::ActiveValue(int field) const
{
    static const Value null;
    if (pos_ < 0)
        return null;
    if (state_ == DatasetState::Edit)
        return editValues_[static_cast<std::size_t>(field)];
    return order_[static_cast<std::size_t>(pos_)]->values[static_cast<std::size_t>(field)];
}

int Dataset::PositionOf(const Row* row) const
{
    const auto found = std::find(order_.begin(), order_.end(), row);
    return found == order_.end() ? -1 : static_cast<int>(found - order_.begin());
}

void Dataset::ShowFromFirst()
{
    pos_ = -1;
    if (!TakeKeptOrder())
        Reorder();
    pos_ = order_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = order_.empty();
    RebindNested();
}

// ---- row handles ----

Bookmark Dataset::GetBookmark() const
{
    if (pos_ < 0)
        return {};
    return {order_[static_cast<std::size_t>(pos_)]->id};
}

bool Dataset::BookmarkValid(const Bookmark& mark) const
{
    return rows_ && !mark.IsNull() && rows_->Find(mark.rowId) != nullptr;
}

void Dataset::GotoBookmark(const Bookmark& mark)
{
    CheckActive();
    if (!BookmarkValid(mark))
        throw DatasetError("Row handle is not valid in " + name_);
    CheckBrowse();
    Row* found = rows_->Find(mark.rowId);
    if (!found)  // the post above may have moved an owner
        throw DatasetError("Row handle is not valid in " + name_);
    pos_ = PositionOf(found);
    bof_ = eof_ = false;
    RebindNested();
    NotifyCursor();
}

// ---- nested tables ----

void Dataset::RebindNested()
{
    Row* active = pos_ >= 0 && state_ != DatasetState::Inactive
                      ? order_[static_cast<std::size_t>(pos_)]
                      : nullptr;
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (Dataset* nested = fields_[i]->Nested())
            nested->AttachStore(active ? active->nested[i].get() : nullptr,
                                active ? active->id : 0);
}

void Dataset::AttachStore(RowStore* store, std::uint64_t ownerRow)
{
    const bool wasActive = Active();
    const DatasetState newState =
        owner_ && owner_->Active() ? DatasetState::Browse : DatasetState::Inactive;
    if (store == rows_ && state_ == newState)
        return;
    KeepOrder();
    if (newState == DatasetState::Inactive)
        keptOrders_.clear();
    editValues_.clear();
    newRow_ = nullptr;
    rows_ = store;
    attachedOwnerRow_ = store ? ownerRow : 0;
    state_ = newState;
    ShowFromFirst();
    if (wasActive != Active())
        NotifyLayout();
    NotifyData();
    NotifyCursor();
}

void Dataset::KeepOrder()
{
    // Only while the owner row still exists: the rows of one just deleted are gone with it.
    if (attachedOwnerRow_ == 0 || !owner_ || !owner_->rows_ ||
        !owner_->rows_->Find(attachedOwnerRow_))
        return;
    keptOrders_[attachedOwnerRow_] = std::move(order_);
    order_.clear();
}

bool Dataset::TakeKeptOrder()
{
    const auto kept = keptOrders_.find(attachedOwnerRow_);
    if (kept == keptOrders_.end())
        return false;
    std::vector<Row*> order = std::move(kept->second);
    keptOrders_.erase(kept);
    // The rows change only while they are shown, so a kept order is whole; this is a guard.
    if (!rows_ || order.size() != rows_->rows.size())
        return false;
    order_ = std::move(order);
    return true;
}

// ---- views ----

void Dataset::FreezeViews()
{
    if (freezeCount_++ > 0)
        return;
    const std::vector<DatasetListener*> listeners = listeners_;
    for (DatasetListener* listener : listeners)
        if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end())
            listener->FreezeChanged(*this, true);
}

void Dataset::ReleaseViews()
{
    if (freezeCount_ == 0 || --freezeCount_ > 0)
        return;
    const bool dataMissed = std::exchange(dataMissed_, false);
    const bool cursorMissed = std::exchange(cursorMissed_, false);
    const std::vector<DatasetListener*> listeners = listeners_;
    for (DatasetListener* listener : listeners)
        if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end())
            listener->FreezeChanged(*this, false);
    if (dataMissed)
        NotifyData();
    if (dataMissed || cursorMissed)
        NotifyCursor();
}

void Dataset::AddListener(DatasetListener* listener)
{
    if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void Dataset::RemoveListener(DatasetListener* listener)
{
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void Dataset::Refresh()
{
    NotifyData();
    NotifyCursor();
}

namespace {
template <typename Call>
void Tell(const std::vector<DatasetListener*>& listeners, int freezeCount, Call call)
{
    if (freezeCount > 0)
        return;
    const std::vector<DatasetListener*> snapshot = listeners;
    for (DatasetListener* listener : snapshot)
        if (std::find(listeners.begin(), listeners.end(), listener) != listeners.end())
            call(*listener);
}
}  // namespace

void Dataset::NotifyData()
{
    dataMissed_ = dataMissed_ || freezeCount_ > 0;
    Tell(listeners_, freezeCount_, [this](DatasetListener& l) { l.DataChanged(*this); });
}

void Dataset::NotifyRow(int position)
{
    dataMissed_ = dataMissed_ || freezeCount_ > 0;
    Tell(listeners_, freezeCount_,
         [this, position](DatasetListener& l) { l.RowChanged(*this, position); });
}

void Dataset::NotifyCursor()
{
    cursorMissed_ = cursorMissed_ || freezeCount_ > 0;
    Tell(listeners_, freezeCount_, [this](DatasetListener& l) { l.CursorMoved(*this); });
}

void Dataset::NotifyLayout()
{
    dataMissed_ = dataMissed_ || freezeCount_ > 0;
    Tell(listeners_, freezeCount_, [this](DatasetListener& l) { l.LayoutChanged(*this); });
}

void Dataset::NotifyState()
{
    dataMissed_ = dataMissed_ || freezeCount_ > 0;
    Tell(listeners_, freezeCount_, [this](DatasetListener& l) { l.StateChanged(*this); });
}

}  // namespace parlino::dataset
