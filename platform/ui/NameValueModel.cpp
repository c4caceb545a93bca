#include "platform/ui/NameValueModel.h"

namespace parlino::ui {

NameValueModel::NameValueModel(QObject* parent) : QAbstractTableModel(parent)
{
}

void NameValueModel::setLines(const QStringList& lines)
{
    beginResetModel();
    rows_.clear();
    rows_.reserve(static_cast<std::size_t>(lines.size()));
    for (const QString& line : lines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            rows_.push_back({line, {}});
        else
            rows_.push_back({line.left(equals), line.mid(equals + 1)});
    }
    endResetModel();
}

QStringList NameValueModel::lines() const
{
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(rows_.size()));
    for (const Row& row : rows_)
        lines.append(row.key + QLatin1Char('=') + row.value);
    return lines;
}

void NameValueModel::setTitles(const QString& keyTitle, const QString& valueTitle)
{
    titles_[KeyColumn] = keyTitle;
    titles_[ValueColumn] = valueTitle;
    emit headerDataChanged(Qt::Horizontal, KeyColumn, ValueColumn);
}

void NameValueModel::setValue(int row, const QString& value)
{
    setData(index(row, ValueColumn), value, Qt::EditRole);
}

int NameValueModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int NameValueModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant NameValueModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const Row& row = rows_.at(static_cast<std::size_t>(index.row()));
    return index.column() == KeyColumn ? row.key : row.value;
}

QVariant NameValueModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return QVariant();
    return section == KeyColumn || section == ValueColumn ? titles_[section] : QString();
}

Qt::ItemFlags NameValueModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const bool editable = index.column() == KeyColumn ? keysEditable_ : valuesEditable_;
    if (index.isValid() && editable)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool NameValueModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    const QString text = value.toString();
    Row& row = rows_.at(static_cast<std::size_t>(index.row()));
    if (index.column() == KeyColumn) {
        if (text.contains(QLatin1Char('=')))
            return false;
        row.key = text;
    } else {
        row.value = text;
    }
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

bool NameValueModel::insertRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || row < 0 || row > rowCount() || count <= 0)
        return false;
    beginInsertRows(parent, row, row + count - 1);
    rows_.insert(rows_.begin() + row, static_cast<std::size_t>(count), Row{});
    endInsertRows();
    return true;
}

bool NameValueModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || row < 0 || count <= 0 || row + count > rowCount())
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    rows_.erase(rows_.begin() + row, rows_.begin() + row + count);
    endRemoveRows();
    return true;
}

}  // namespace parlino::ui
