#include "platform/ui/DataGrid.h"

#include "UiTestTables.h"
#include "platform/ui/DatasetModel.h"
#include "platform/ui/Dialogs.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace parlino::ui {
namespace {

class DataGridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        table = test::MakeAccounts(4);
        grid.resize(600, 300);
        grid.SetDataset(table.get());
        grid.show();
    }
    std::unique_ptr<dataset::Dataset> table;
    DataGrid grid;
};

TEST_F(DataGridTest, CurrentRowAndDatasetCursorMoveTogether)
{
    EXPECT_EQ(grid.currentIndex().row(), 0);
    table->MoveTo(2);
    EXPECT_EQ(grid.currentIndex().row(), 2);
    grid.setCurrentIndex(grid.model()->index(1, 1));
    EXPECT_EQ(table->Position(), 1);
    EXPECT_EQ(grid.SelectedIndex(), 1);
    EXPECT_EQ(grid.SelectedField(), &table->FieldAt(1));
    // The selected column survives a reload of the rows.
    table->Refresh();
    EXPECT_EQ(grid.SelectedIndex(), 1);
    EXPECT_EQ(grid.currentIndex().column(), 1);
}

TEST_F(DataGridTest, EllipsisButtonOnlyInNestedCellsAndItReportsAClick)
{
    QSignalSpy clicks(&grid, &DataGrid::editButtonClicked);
    EXPECT_TRUE(grid.EditButtonRect(grid.model()->index(1, 1)).isEmpty());
    const QRect button = grid.EditButtonRect(grid.model()->index(2, 3));
    ASSERT_FALSE(button.isEmpty());

    // A click in the cell but beside the button only selects it.
    const QRect cell = grid.visualRect(grid.model()->index(1, 3));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.topLeft() + QPoint(3, 3));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(table->Position(), 1);

    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, button.center());
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(table->Position(), 2) << "the clicked row is current before the click is reported";
    EXPECT_EQ(grid.SelectedField(), &table->FieldAt(3));

    QTest::keyClick(&grid, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(clicks.count(), 2);
}

TEST_F(DataGridTest, CtrlDeleteDeletesOnlyWhenEditingAndConfirmed)
{
    // The first question is declined, the second confirmed.
    DialogAnswer answer = DialogAnswer::Cancel;
    ScopedDialogResponder dialogs([&](const DialogRequest&) { return DialogResponse{answer, {}}; });
    table->MoveTo(1);
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.requests().empty()) << "a read-only grid deletes nothing";
    grid.SetEditing(true);
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(table->RecordCount(), 4);
    answer = DialogAnswer::Ok;
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(dialogs.requests().size(), 2u);
    EXPECT_EQ(dialogs.requests()[1].text, QStringLiteral("Delete record?"));
    EXPECT_EQ(table->RecordCount(), 3);
    EXPECT_EQ(table->FieldAt(0).AsInteger(), 3) << "the row after the deleted one is current";
}

TEST_F(DataGridTest, DoesNotMoveTheCursorWhileFrozen)
{
    table->FreezeViews();
    table->MoveTo(3);
    EXPECT_EQ(grid.currentIndex().row(), 0);
    table->ReleaseViews();
    EXPECT_EQ(grid.currentIndex().row(), 3);
}

// The server refreshes its grids every second during a talk and at every sign-in: a
// refresh must leave the operator's column widths and scrolling alone, while the current
// row still follows the table's cursor.
TEST_F(DataGridTest, RefreshKeepsTheOperatorsWidthsAndScrollingWhileTheRowMoves)
{
    auto many = test::MakeAccounts(60);
    grid.SetDataset(many.get());
    const int fitted = grid.columnWidth(0);
    grid.horizontalHeader()->resizeSection(1, 900);  // widened by hand, past the viewport
    QCoreApplication::processEvents();
    QScrollBar* across = grid.horizontalScrollBar();
    QScrollBar* down = grid.verticalScrollBar();
    across->setValue(across->maximum());
    down->setValue(down->maximum());
    const int left = across->value();
    const int top = down->value();
    ASSERT_GT(left, 0);
    ASSERT_GT(top, 0);

    const auto expectKept = [&](const char* after) {
        EXPECT_EQ(grid.columnWidth(0), fitted) << after;
        EXPECT_EQ(grid.columnWidth(1), 900) << after;
        EXPECT_EQ(across->value(), left) << after;
        EXPECT_EQ(down->value(), top) << after;
    };
    // A pass with the views frozen that adds a row and leaves the cursor on the first.
    many->FreezeViews();
    many->Append();
    many->FieldAt(0).SetAsInteger(999);
    many->Post();
    many->First();
    many->ReleaseViews();
    expectKept("a frozen pass");
    EXPECT_EQ(grid.currentIndex().row(), 0) << "the current row still follows the cursor";
    many->Refresh();
    expectKept("a reload of the rows");
    EXPECT_EQ(grid.model()->rowCount(), 61);

    // A plain move of the cursor brings its row into view, in the columns being looked at.
    many->MoveTo(1);
    EXPECT_EQ(grid.currentIndex().row(), 1);
    EXPECT_LT(down->value(), top);
    EXPECT_EQ(across->value(), left);
}

}  // namespace
}  // namespace parlino::ui
