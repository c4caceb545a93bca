// A grid bound to a dataset: columns in field order under the fields' titles (fitted once,
// when the grid is bound; the operator's widths and scrolling then survive every refresh),
// the current row kept in step with the dataset's cursor, editing switched on and off at run time (with
// it, Ctrl+Delete deletes the current row once confirmed), and an ellipsis button in the
// cells of nested-table fields.
#pragma once

#include "platform/dataset/Dataset.h"

#include <QTableView>

namespace parlino::ui {

class DatasetModel;

class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);
    ~DataGrid() override;

    void SetDataset(dataset::Dataset* dataset);
    dataset::Dataset* Dataset() const;
    DatasetModel* Model() const { return model_; }

    // The editing option: cells can be edited only while it is on (off at creation).
    void SetEditing(bool editing);
    bool Editing() const;

    // The selected column and its field (nullptr when there is none).
    int SelectedIndex() const;
    void SetSelectedIndex(int column);
    dataset::Field* SelectedField() const;

    // Where the ellipsis button of a nested-table cell lies (empty for other cells).
    QRect EditButtonRect(const QModelIndex& index) const;

signals:
    void editingChanged(bool editing);
    // The ellipsis button of a nested-table cell was pressed (the cell is then current).
    void editButtonClicked();

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FollowCursor(bool refreshed);
    void FitColumns();
    bool IsNestedColumn(int column) const;

    DatasetModel* model_;
    int selectedColumn_ = 0;         // kept apart from the current cell: an empty grid has one too
    bool followingCursor_ = false;  // set while the view moves to the dataset's cursor
};

}  // namespace parlino::ui
