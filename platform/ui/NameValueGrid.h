// A grid of name=value lines (see NameValueModel) under two column titles.
//
// Typing "=" into a name raises the grid's key error through the application's exception
// handler, with the name's editor as the control; the editor carries the grid's tag, so the
// handler knows which grid it was. The "=" stays in the editor until the handler removes it,
// and a name that still holds one when the edit ends is not taken.
#pragma once

#include "platform/ui/NameValueModel.h"

#include <QTableView>

namespace parlino::ui {

class NameValueGrid : public QTableView {
    Q_OBJECT
public:
    explicit NameValueGrid(QWidget* parent = nullptr);

    NameValueModel* lineModel() const { return model_; }

    void setLines(const QStringList& lines) { model_->setLines(lines); }
    QStringList lines() const { return model_->lines(); }

    // The current data row, -1 when there is none.
    int currentRow() const;
    void setCurrentRow(int row);
    // Inserts an empty row before the current one (at the end when there is none) and
    // makes it current.
    void insertRowBeforeCurrent();
    // Deletes the current row; false when there is none.
    bool removeCurrentRow();

private:
    NameValueModel* model_;
};

}  // namespace parlino::ui
