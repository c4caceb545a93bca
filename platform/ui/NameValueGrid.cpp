#include "platform/ui/NameValueGrid.h"

#include "platform/ui/ApplicationExceptions.h"
#include "platform/ui/ControlTag.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QStyledItemDelegate>

namespace parlino::ui {

namespace {
// Gives name editors the grid's tag and raises the key error as soon as "=" is typed.
class NameDelegate : public QStyledItemDelegate {
public:
    explicit NameDelegate(NameValueGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (!line || index.column() != NameValueModel::KeyColumn)
            return editor;
        setTag(line, tag(grid_));
        QObject::connect(line, &QLineEdit::textEdited, line, [line](const QString& text) {
            if (text.contains(QLatin1Char('=')))
                HandleApplicationException(line, GridKeyError());
        });
        return editor;
    }

private:
    NameValueGrid* grid_;
};
}  // namespace

NameValueGrid::NameValueGrid(QWidget* parent) : QTableView(parent), model_(new NameValueModel(this))
{
    setModel(model_);
    setItemDelegate(new NameDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(false);  // Tab moves on to the form's next control
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
}

int NameValueGrid::currentRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void NameValueGrid::setCurrentRow(int row)
{
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    setCurrentIndex(model_->index(row, column));
}

void NameValueGrid::insertRowBeforeCurrent()
{
    const int row = currentRow() >= 0 ? currentRow() : model_->rowCount();
    model_->insertRows(row, 1);
    setCurrentIndex(model_->index(row, NameValueModel::KeyColumn));
}

bool NameValueGrid::removeCurrentRow()
{
    const int row = currentRow();
    if (row < 0)
        return false;
    return model_->removeRows(row, 1);
}

}  // namespace parlino::ui
