// Lines of the form name=value shown as a two-column table: the name (key) left, the value
// right, one row per line. A line without "=" is a name with an empty value. Names never
// hold "=": an edit that would put one in is refused.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

namespace parlino::ui {

class NameValueModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { KeyColumn = 0, ValueColumn = 1 };

    explicit NameValueModel(QObject* parent = nullptr);

    void setLines(const QStringList& lines);
    QStringList lines() const;

    void setTitles(const QString& keyTitle, const QString& valueTitle);
    void setKeysEditable(bool editable) { keysEditable_ = editable; }
    void setValuesEditable(bool editable) { valuesEditable_ = editable; }

    QString key(int row) const { return rows_.at(static_cast<std::size_t>(row)).key; }
    QString value(int row) const { return rows_.at(static_cast<std::size_t>(row)).value; }
    void setValue(int row, const QString& value);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    // New rows have an empty name and value.
    bool insertRows(int row, int count, const QModelIndex& parent = {}) override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

private:
    struct Row {
        QString key;
        QString value;
    };
    std::vector<Row> rows_;
    QString titles_[2];
    bool keysEditable_ = true;
    bool valuesEditable_ = true;
};

}  // namespace parlino::ui
