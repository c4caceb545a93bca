#include "platform/ui/DataGrid.h"

#include "platform/dataset/DatasetErrors.h"
#include "platform/ui/DatasetModel.h"
#include "platform/ui/Dialogs.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QStyledItemDelegate>

namespace parlino::ui {

namespace {
constexpr int EditButtonWidth = 16;
const QAbstractItemView::EditTriggers EditingTriggers =
    QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
    QAbstractItemView::AnyKeyPressed;

// Paints the ellipsis button at the right end of nested-table cells.
class EllipsisDelegate : public QStyledItemDelegate {
public:
    explicit EllipsisDelegate(DataGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const QRect rect = grid_->EditButtonRect(index);
        if (rect.isEmpty())
            return;
        QStyleOptionButton button;
        button.rect = rect;
        button.text = QStringLiteral("...");
        button.state = QStyle::State_Enabled | QStyle::State_Raised;
        grid_->style()->drawControl(QStyle::CE_PushButton, &button, painter, grid_);
    }

private:
    DataGrid* grid_;
};
}  // namespace

DataGrid::DataGrid(QWidget* parent) : QTableView(parent), model_(new DatasetModel(this))
{
    setModel(model_);
    setItemDelegate(new EllipsisDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(true);
    setShowGrid(true);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("MM")));
    connect(model_, &DatasetModel::cursorMoved, this, &DataGrid::FollowCursor);
    connect(model_, &QAbstractItemModel::modelReset, this, &DataGrid::FitColumns);
}

DataGrid::~DataGrid() = default;

void DataGrid::FitColumns()
{
    // Wide enough for the title and for a value of the field's width, up to a limit the
    // operator can widen by hand.
    constexpr int MaxCharacters = 20;
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (int column = 0; column < model_->columnCount(); ++column) {
        const dataset::Field* field = model_->FieldOfColumn(column);
        if (!field)
            continue;
        const int title = fontMetrics().horizontalAdvance(
            model_->headerData(column, Qt::Horizontal).toString());
        const int value = digit * std::min(field->DisplayWidth(), MaxCharacters);
        setColumnWidth(column, std::max(title, value) + 2 * digit);
    }
}

void DataGrid::SetDataset(dataset::Dataset* dataset)
{
    model_->SetDataset(dataset);
}

dataset::Dataset* DataGrid::Dataset() const
{
    return model_->Dataset();
}

void DataGrid::SetEditing(bool editing)
{
    if (editing == Editing())
        return;
    model_->SetEditable(editing);
    setEditTriggers(editing ? EditingTriggers : QAbstractItemView::NoEditTriggers);
    emit editingChanged(editing);
}

bool DataGrid::Editing() const
{
    return model_->Editable();
}

int DataGrid::SelectedIndex() const
{
    return selectedColumn_ < model_->columnCount() ? selectedColumn_ : -1;
}

void DataGrid::SetSelectedIndex(int column)
{
    if (column < 0 || column >= model_->columnCount())
        return;
    selectedColumn_ = column;
    if (model_->rowCount() > 0)
        setCurrentIndex(model_->index(std::max(currentIndex().row(), 0), column));
}

dataset::Field* DataGrid::SelectedField() const
{
    return model_->FieldOfColumn(SelectedIndex());
}

bool DataGrid::IsNestedColumn(int column) const
{
    const dataset::Field* field = model_->FieldOfColumn(column);
    return field && field->Type() == dataset::FieldType::Nested;
}

QRect DataGrid::EditButtonRect(const QModelIndex& index) const
{
    if (!index.isValid() || !IsNestedColumn(index.column()))
        return {};
    const QRect cell = visualRect(index);
    if (cell.isEmpty())
        return {};
    const int width = std::min(EditButtonWidth, cell.width());
    return QRect(cell.right() - width + 1, cell.top(), width, cell.height());
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (current.isValid())
        selectedColumn_ = current.column();
    dataset::Dataset* table = Dataset();
    if (followingCursor_ || !current.isValid() || !table || !table->Active() ||
        table->ViewsFrozen() || current.row() == table->Position())
        return;
    try {
        table->MoveTo(current.row());
    } catch (const dataset::SilentAbort&) {
        FollowCursor(false);
    } catch (const std::exception& error) {
        ShowError(QString::fromStdString(error.what()));
        FollowCursor(false);
    }
}

void DataGrid::FollowCursor(bool refreshed)
{
    const dataset::Dataset* table = Dataset();
    if (!table || !table->Active() || table->ViewsFrozen())
        return;
    const int row = table->Position();
    if (row < 0 || row >= model_->rowCount() || currentIndex().row() == row)
        return;
    const int column = std::max(SelectedIndex(), 0);
    const int left = horizontalScrollBar()->value();
    const bool autoScroll = hasAutoScroll();
    setAutoScroll(false);
    followingCursor_ = true;
    setCurrentIndex(model_->index(row, column));
    followingCursor_ = false;
    setAutoScroll(autoScroll);
    // A refresh leaves the view where the operator scrolled it. A move of the cursor brings
    // its row into view, in the columns the operator is looking at.
    if (!refreshed) {
        scrollTo(currentIndex());
        horizontalScrollBar()->setValue(left);
    }
}

void DataGrid::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && EditButtonRect(index).contains(event->position().toPoint())) {
        setCurrentIndex(index);
        if (Dataset() && Dataset()->Position() == index.row())
            emit editButtonClicked();
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void DataGrid::keyPressEvent(QKeyEvent* event)
{
    // Ctrl+Enter presses the ellipsis button of the current nested-table cell.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & Qt::ControlModifier) && IsNestedColumn(SelectedIndex())) {
        emit editButtonClicked();
        event->accept();
        return;
    }
    // Ctrl+Delete deletes the current row of an editable grid, once confirmed.
    dataset::Dataset* table = Dataset();
    if (event->key() == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier) && Editing() &&
        table && table->Active() && !table->IsEmpty()) {
        event->accept();
        try {
            if (ConfirmDeleteRecord())
                table->Delete();
        } catch (const dataset::SilentAbort&) {
        } catch (const std::exception& error) {
            ShowError(QString::fromStdString(error.what()));
        }
        return;
    }
    QTableView::keyPressEvent(event);
}

}  // namespace parlino::ui
