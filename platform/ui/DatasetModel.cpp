#include "platform/ui/DatasetModel.h"

#include "platform/dataset/DatasetErrors.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/FieldText.h"

namespace parlino::ui {

using dataset::FieldType;

DatasetModel::DatasetModel(QObject* parent) : QAbstractTableModel(parent) {}

DatasetModel::~DatasetModel()
{
    if (dataset_)
        dataset_->RemoveListener(this);
}

void DatasetModel::SetDataset(dataset::Dataset* dataset)
{
    if (dataset == dataset_)
        return;
    if (dataset_)
        dataset_->RemoveListener(this);
    dataset_ = dataset;
    frozen_ = dataset_ && dataset_->ViewsFrozen();
    if (dataset_)
        dataset_->AddListener(this);
    Reset(true);
}

dataset::Field* DatasetModel::FieldOfColumn(int column) const
{
    if (!dataset_ || column < 0 || column >= columns_ || column >= dataset_->FieldCount())
        return nullptr;
    return &dataset_->FieldAt(column);
}

void DatasetModel::SetEditable(bool editable)
{
    if (editable == editable_)
        return;
    editable_ = editable;
    if (rows_ > 0 && columns_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
}

bool DatasetModel::Live() const
{
    return dataset_ && dataset_->Active() && !frozen_;
}

int DatasetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int DatasetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns_;
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !Live() || index.row() >= dataset_->RecordCount())
        return {};
    const dataset::Field* field = FieldOfColumn(index.column());
    if (!field)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return FieldDisplayText(field->Def(), dataset_->RowValue(index.row(), index.column()));
    case Qt::TextAlignmentRole: {
        Qt::Alignment horizontal = Qt::AlignLeft;
        switch (field->Def().alignment) {
        case dataset::Alignment::Left: horizontal = Qt::AlignLeft; break;
        case dataset::Alignment::Right: horizontal = Qt::AlignRight; break;
        case dataset::Alignment::Default: {
            const FieldType type = field->Type();
            if (type == FieldType::Integer || type == FieldType::Float)
                horizontal = Qt::AlignRight;
            break;
        }
        }
        return QVariant::fromValue(horizontal | Qt::AlignVCenter);
    }
    default: return {};
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        // The row indicator: the current row is marked, in edit or insert state distinctly.
        if (role != Qt::DisplayRole || !Live() || section != dataset_->Position())
            return {};
        switch (dataset_->State()) {
        case dataset::DatasetState::Edit: return QStringLiteral("I");
        case dataset::DatasetState::Insert: return QStringLiteral("*");
        default: return QStringLiteral("\u25B6");
        }
    }
    const dataset::Field* field = FieldOfColumn(section);
    if (!field || role != Qt::DisplayRole)
        return {};
    return QString::fromLatin1(field->DisplayTitle());
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const dataset::Field* field = FieldOfColumn(index.column());
    if (editable_ && field && !field->ReadOnly() && field->Type() != FieldType::Nested)
        result |= Qt::ItemIsEditable;
    return result;
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable) || !Live() ||
        index.row() >= dataset_->RecordCount())
        return false;
    dataset::Field* field = FieldOfColumn(index.column());
    try {
        const dataset::Value typed = ParseFieldText(field->Def(), value.toString());
        if (dataset_->Position() != index.row())
            dataset_->MoveTo(index.row());
        if (dataset_->State() == dataset::DatasetState::Browse) {
            if (typed == field->GetValue())
                return true;  // nothing typed: the row stays in browse state
            dataset_->Edit();
        }
        field->SetValue(typed);
        return true;
    } catch (const dataset::SilentAbort&) {
        return false;
    } catch (const std::exception& error) {
        ShowError(QString::fromStdString(error.what()));
        return false;
    }
}

void DatasetModel::Reset(bool rebound)
{
    const bool open = dataset_ && dataset_->Active();
    const int columns = dataset_ ? dataset_->FieldCount() : 0;
    const int rows = open ? dataset_->RecordCount() : 0;
    if (rebound || columns != columns_) {
        beginResetModel();
        columns_ = columns;
        rows_ = rows;
        markedRow_ = open ? dataset_->Position() : -1;
        endResetModel();
        emit cursorMoved(true);
        return;
    }
    // The same columns: everything is re-read without a model reset, so the views keep the
    // column widths and the scroll position the operator chose.
    if (rows > rows_) {
        beginInsertRows({}, rows_, rows - 1);
        rows_ = rows;
        endInsertRows();
    } else if (rows < rows_) {
        beginRemoveRows({}, rows, rows_ - 1);
        rows_ = rows;
        endRemoveRows();
    }
    if (rows_ > 0 && columns_ > 0) {
        emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
        emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
    }
    markedRow_ = open ? dataset_->Position() : -1;
    emit cursorMoved(true);
}

void DatasetModel::DataChanged(dataset::Dataset&)
{
    if (!frozen_)
        Reset();
}

void DatasetModel::RowChanged(dataset::Dataset&, int position)
{
    if (frozen_)
        return;
    if (position < 0 || position >= rows_ || dataset_->RecordCount() != rows_) {
        Reset();
        return;
    }
    emit dataChanged(index(position, 0), index(position, columns_ - 1));
    emit headerDataChanged(Qt::Vertical, position, position);
}

void DatasetModel::CursorMoved(dataset::Dataset&)
{
    if (frozen_)
        return;
    if (dataset_->Active() && dataset_->RecordCount() != rows_) {
        Reset();
        return;
    }
    // Only the row that lost the indicator and the one that got it: a lookup moves the
    // cursor on every message, and a full header update costs a new layout of it.
    const int row = dataset_->Active() ? dataset_->Position() : -1;
    if (row != markedRow_) {
        for (const int changed : {markedRow_, row})
            if (changed >= 0 && changed < rows_)
                emit headerDataChanged(Qt::Vertical, changed, changed);
        markedRow_ = row;
    }
    emit cursorMoved(false);
}

void DatasetModel::LayoutChanged(dataset::Dataset&)
{
    if (!frozen_)
        Reset();
}

void DatasetModel::StateChanged(dataset::Dataset&)
{
    if (frozen_)
        return;
    if (dataset_->Active() && dataset_->RecordCount() != rows_)
        Reset();
    else if (rows_ > 0)
        emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
    emit stateChanged();
}

void DatasetModel::FreezeChanged(dataset::Dataset&, bool frozen)
{
    // What changed meanwhile follows the release (DataChanged, CursorMoved); a freeze in
    // which nothing changed leaves the view as it was, without a new layout.
    frozen_ = frozen;
}

void DatasetModel::DatasetDestroyed(dataset::Dataset&)
{
    dataset_ = nullptr;
    frozen_ = false;
    Reset();
}

}  // namespace parlino::ui
