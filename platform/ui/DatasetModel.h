// A table model over a dataset: one column per field in field order, one row per row of the
// dataset's current order. Cell edits go through the dataset (edit state, validation).
//
// While the dataset's views are frozen the model keeps the shape it last announced and
// reports nothing; the release refreshes it. Only binding another dataset resets the model:
// a refresh re-reads the rows in place, so views keep their column widths and scrolling.
#pragma once

#include "platform/dataset/Dataset.h"
#include "platform/dataset/DatasetListener.h"

#include <QAbstractTableModel>

namespace parlino::ui {

class DatasetModel : public QAbstractTableModel, private dataset::DatasetListener {
    Q_OBJECT
public:
    explicit DatasetModel(QObject* parent = nullptr);
    ~DatasetModel() override;

    void SetDataset(dataset::Dataset* dataset);  // nullptr unbinds
    dataset::Dataset* Dataset() const { return dataset_; }
    // The field shown in a column; nullptr when out of range or unbound.
    dataset::Field* FieldOfColumn(int column) const;

    // Whether cells may be edited at all (read-only fields and nested tables never are).
    void SetEditable(bool editable);
    bool Editable() const { return editable_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // The dataset's cursor moved, or the rows were re-read (refreshed); the view follows it.
    void cursorMoved(bool refreshed);
    // The dataset went into or out of edit or insert state.
    void stateChanged();

private:
    void DataChanged(dataset::Dataset&) override;
    void RowChanged(dataset::Dataset&, int position) override;
    void CursorMoved(dataset::Dataset&) override;
    void LayoutChanged(dataset::Dataset&) override;
    void StateChanged(dataset::Dataset&) override;
    void FreezeChanged(dataset::Dataset&, bool frozen) override;
    void DatasetDestroyed(dataset::Dataset&) override;

    void Reset(bool rebound = false);  // rebound: another dataset, or other columns
    bool Live() const;  // bound, open and not frozen

    dataset::Dataset* dataset_ = nullptr;
    int rows_ = 0;     // row count announced to the views
    int markedRow_ = -1;  // the row whose indicator the views were last told of
    int columns_ = 0;  // column count announced to the views
    bool editable_ = false;
    bool frozen_ = false;
};

}  // namespace parlino::ui
