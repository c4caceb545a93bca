// Opening, closing, loading, saving and emptying a table.
#include "platform/dataset/Dataset.h"

#include "platform/dataset/DatasetIndex.h"
#include "platform/dataset/RowStore.h"
#include "platform/dataset/TableFile.h"
#include "platform/dataset/TableRows.h"

namespace parlino::dataset {

void Dataset::Open()
{
    if (Active() || owner_)
        return;
    if (fileName_.empty()) {
        AdoptRows(std::make_unique<RowStore>());
        return;
    }
    LoadFromFile(fileName_);
}

void Dataset::LoadFromFile(const std::string& path)
{
    if (owner_)
        throw DatasetError("A nested table cannot be loaded from a file");
    AdoptContents(ReadTableFile(path), path);
}

void Dataset::LoadFromBytes(const std::vector<std::uint8_t>& bytes, const std::string& path)
{
    if (owner_)
        throw DatasetError("A nested table cannot be loaded from a file");
    TableFileContents contents;
    try {
        contents = DecodeTable(bytes);
    } catch (const DatasetError& error) {
        throw DatasetError("Table file \"" + path + "\" cannot be loaded: " + error.what());
    }
    AdoptContents(std::move(contents), path);
}

void Dataset::AdoptContents(TableFileContents contents, const std::string& path)
{
    if (layout_.empty()) {
        layout_ = contents.layout;
        BuildFields();
    } else if (!SameLayout(layout_, contents.layout)) {
        throw DatasetError("Table file \"" + path + "\" does not have the layout of table " + name_);
    }
    AdoptRows(std::move(contents.rows));  // a pending edit is dropped, nothing written back
}

void Dataset::AdoptRows(std::unique_ptr<RowStore> rows)
{
    ownRows_ = std::move(rows);
    rows_ = ownRows_.get();
    editValues_.clear();
    newRow_ = nullptr;
    state_ = DatasetState::Browse;
    modified_ = false;
    ShowFromFirst();
    NotifyLayout();
}

void Dataset::SaveToFile(const std::string& path) const
{
    CheckActive();
    if (owner_)
        throw DatasetError("A nested table is saved with its owner");
    WriteTableFile(path, layout_, *rows_);
}

std::vector<std::uint8_t> Dataset::FileBytes() const
{
    CheckActive();
    if (owner_)
        throw DatasetError("A nested table is saved with its owner");
    return EncodeTable(layout_, *rows_);
}

void Dataset::Close()
{
    if (!Active() || owner_)
        return;
    if (state_ != DatasetState::Browse)
        Cancel();
    std::string failure;
    if (modified_ && !fileName_.empty()) {
        try {
            SaveToFile(fileName_);
        } catch (const DatasetError& error) {
            failure = error.what();
        }
    }
    state_ = DatasetState::Inactive;
    order_.clear();
    pos_ = -1;
    eof_ = bof_ = true;
    RebindNested();
    rows_ = nullptr;
    ownRows_.reset();
    modified_ = false;
    NotifyLayout();
    if (!failure.empty())
        throw DatasetError(failure);
}

void Dataset::Empty()
{
    CheckActive();
    if (!rows_)
        throw DatasetError("Nested table " + name_ + " has no owner row");
    for (auto& child : fields_)
        if (Dataset* nested = child->Nested(); nested && nested->state_ != DatasetState::Browse)
            nested->Cancel();
    editValues_.clear();
    newRow_ = nullptr;
    if (state_ != DatasetState::Browse) {
        state_ = DatasetState::Browse;
        NotifyState();
    }
    rows_->Clear();
    order_.clear();
    pos_ = -1;
    eof_ = bof_ = true;
    MarkModified();
    RebindNested();
    NotifyData();
    NotifyCursor();
}

TableRows Dataset::takeRows()
{
    CheckActive();
    if (owner_)
        throw DatasetError("A nested table is saved with its owner");
    auto taken = std::make_unique<RowStore>();
    std::swap(taken, ownRows_);
    rows_ = ownRows_.get();
    // The cursor and a pending row still point into the taken rows, alive until the return.
    Empty();
    return TableRows(layout_, std::move(taken));
}

void Dataset::MarkModified()
{
    Dataset* root = this;
    while (root->owner_)
        root = root->owner_;
    root->modified_ = true;
}

}  // namespace parlino::dataset
