#include "platform/ui/DatasetModel.h"

#include "UiTestTables.h"
#include "platform/ui/Dialogs.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace parlino::ui {
namespace {

using test::MakeAccounts;

class DatasetModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        table = MakeAccounts(3);
        model.SetDataset(table.get());
        tester = std::make_unique<QAbstractItemModelTester>(
            &model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    QString Cell(int row, int column) const { return model.index(row, column).data().toString(); }

    std::unique_ptr<dataset::Dataset> table;
    DatasetModel model;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(DatasetModelTest, FollowsRowsAddedDeletedAndReordered)
{
    table->Append();
    table->FieldAt(0).SetAsInteger(9);
    table->FieldAt(1).SetAsText("aaa");
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.headerData(3, Qt::Vertical).toString(), QStringLiteral("*"));
    table->Post();
    table->AddIndex({"NameDsc", "Name", "Name", ""});
    table->SetIndexName("NameDsc");
    EXPECT_EQ(Cell(0, 1), QStringLiteral("name3"));
    EXPECT_EQ(Cell(3, 1), QStringLiteral("aaa"));
    table->First();
    table->Delete();
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(Cell(0, 1), QStringLiteral("name2"));
}

TEST_F(DatasetModelTest, FrozenKeepsItsShapeUntilReleased)
{
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    table->FreezeViews();
    table->FreezeViews();
    for (int i = 0; i < 5; ++i) {
        table->Append();
        table->FieldAt(0).SetAsInteger(100 + i);
        table->Post();
    }
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(resets.count(), 0);
    table->ReleaseViews();
    EXPECT_EQ(model.rowCount(), 3) << "an inner release must not wake the views";
    table->ReleaseViews();
    EXPECT_EQ(model.rowCount(), 8);
    EXPECT_EQ(Cell(7, 0), QStringLiteral("104"));
    EXPECT_EQ(resets.count(), 0) << "a refresh keeps what the views hold of their columns";
}

TEST_F(DatasetModelTest, FreezeWithoutChangesLeavesTheLayoutAlone)
{
    // A handler that freezes the views around a lookup which changes nothing must not cost
    // a new layout of the grid.
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy cursor(&model, &DatasetModel::cursorMoved);
    table->FreezeViews();
    EXPECT_FALSE(table->BookmarkValid(dataset::Bookmark{}));
    table->ReleaseViews();
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(cursor.count(), 0);

    table->FreezeViews();
    table->Last();
    table->ReleaseViews();
    EXPECT_EQ(resets.count(), 0) << "a moved cursor needs no new layout";
    EXPECT_EQ(cursor.count(), 1);
}

TEST_F(DatasetModelTest, CursorMoveRepaintsOnlyTheTwoIndicatorRows)
{
    table->First();
    QSignalSpy headers(&model, &QAbstractItemModel::headerDataChanged);
    table->MoveTo(2);
    ASSERT_EQ(headers.count(), 2);
    EXPECT_EQ(headers[0][1].toInt(), 0);
    EXPECT_EQ(headers[0][2].toInt(), 0);
    EXPECT_EQ(headers[1][1].toInt(), 2);
    EXPECT_EQ(headers[1][2].toInt(), 2);
    EXPECT_FALSE(model.headerData(0, Qt::Vertical).isValid());
    EXPECT_EQ(model.headerData(2, Qt::Vertical).toString(), QStringLiteral("\u25B6"));

    table->MoveTo(2);
    EXPECT_EQ(headers.count(), 2) << "the indicator did not move";
}

TEST_F(DatasetModelTest, EditsGoThroughTheDatasetOnlyWhileEditable)
{
    const QModelIndex name = model.index(2, 1);
    EXPECT_FALSE(model.flags(name) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.setData(name, QStringLiteral("zed")));
    model.SetEditable(true);
    EXPECT_TRUE(model.flags(name) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(model.index(2, 3)) & Qt::ItemIsEditable) << "nested cells never edit";

    ASSERT_TRUE(model.setData(name, QStringLiteral("zed")));
    EXPECT_EQ(table->Position(), 2);
    EXPECT_EQ(table->State(), dataset::DatasetState::Edit);
    table->Post();
    EXPECT_EQ(table->FieldAt(1).AsText(), "zed");

    // An out-of-range value is refused with the engine's message; the row keeps its value.
    ScopedDialogResponder dialogs(ScopedDialogResponder::always(DialogAnswer::Ok));
    EXPECT_FALSE(model.setData(model.index(2, 0), QStringLiteral("5000")));
    EXPECT_FALSE(model.setData(model.index(2, 0), QStringLiteral("five")));
    ASSERT_EQ(dialogs.requests().size(), 2u);
    EXPECT_EQ(dialogs.requests()[0].icon, DialogIcon::Error);
    EXPECT_EQ(table->FieldAt(0).AsInteger(), 3);
}

TEST_F(DatasetModelTest, NestedModelFollowsTheOwnerRow)
{
    DatasetModel calls;
    QAbstractItemModelTester callsTester(&calls, QAbstractItemModelTester::FailureReportingMode::Fatal);
    calls.SetDataset(table->FieldAt(3).Nested());
    EXPECT_EQ(calls.rowCount(), 1);
    table->Last();
    EXPECT_EQ(calls.rowCount(), 3);
    EXPECT_EQ(calls.index(2, 0).data().toString(), QStringLiteral("32"));
}

}  // namespace
}  // namespace parlino::ui
