// A floating window holding a grid on a nested table. The grid follows the owner table's
// current row by itself (the nested table does). Closing the window only hides it; it can
// be shown again. Each activation of the window is reported.
#pragma once

#include "platform/dataset/Dataset.h"

#include <QWidget>

namespace parlino::ui {

class DataGrid;

class NestedGridPopup : public QWidget {
    Q_OBJECT
public:
    NestedGridPopup(dataset::Dataset* nested, QWidget* owner);
    ~NestedGridPopup() override;

    DataGrid* Grid() const { return grid_; }
    // Shows the window with its top-left corner at a screen point, raised and active.
    void ShowAt(const QPoint& topLeft);
    void ShowAgain();

signals:
    void activated();

protected:
    bool event(QEvent* event) override;

private:
    DataGrid* grid_;
};

}  // namespace parlino::ui
