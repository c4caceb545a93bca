// Nested tables follow their owner's current row, also while it is being inserted.
#include "DatasetTestSupport.h"

#include <gtest/gtest.h>

namespace parlino::dataset {
namespace {

using test::AccountWithLogLayout;
using test::AddLog;

class DatasetNestedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        users.Open();
        log = users.FieldByName("Log").Nested();
        ASSERT_NE(log, nullptr);
    }
    void AddUserWithLog(int id, std::vector<int> durations)
    {
        users.Append();
        users.FieldByName("Id").SetAsInteger(id);
        for (int d : durations)
            AddLog(*log, 1, ">", d);
        users.Post();
    }
    Dataset users{AccountWithLogLayout(), "users"};
    Dataset* log = nullptr;
};

TEST_F(DatasetNestedTest, NestedRowsBelongToTheOwnersCurrentRow)
{
    AddUserWithLog(101, {1, 2});
    AddUserWithLog(102, {7});
    users.First();
    EXPECT_EQ(log->RecordCount(), 2);
    users.Next();
    EXPECT_EQ(log->RecordCount(), 1);
    EXPECT_EQ(log->FieldByName("Duration").AsInteger(), 7);
    users.First();
    EXPECT_EQ(log->FieldByName("Duration").AsInteger(), 1);
}

TEST_F(DatasetNestedTest, CancellingTheOwnersInsertDropsItsNestedRows)
{
    AddUserWithLog(101, {1});
    users.Append();
    AddLog(*log, 2, "<", 3);
    EXPECT_EQ(log->RecordCount(), 1);
    users.Cancel();
    EXPECT_EQ(users.RecordCount(), 1);
    EXPECT_EQ(log->RecordCount(), 1);
    EXPECT_EQ(log->FieldByName("Day").AsInteger(), 1);
}

TEST_F(DatasetNestedTest, IndexAndHandlesOfTheNestedTableApplyPerOwnerRow)
{
    log->AddIndex({"ByDuration", "Duration", "Duration", ""});
    log->SetIndexName("ByDuration");
    AddUserWithLog(101, {1, 5, 3});
    log->First();
    EXPECT_EQ(log->FieldByName("Duration").AsInteger(), 5);
    log->Last();
    const Bookmark mark = log->GetBookmark();
    AddUserWithLog(102, {9});
    EXPECT_FALSE(log->BookmarkValid(mark));  // another account's rows are shown now
    users.First();
    ASSERT_TRUE(log->BookmarkValid(mark));
    log->GotoBookmark(mark);
    EXPECT_EQ(log->FieldByName("Duration").AsInteger(), 1);
}

TEST_F(DatasetNestedTest, NestedChangesMarkTheOwnerChangedButLeaveItsState)
{
    AddUserWithLog(101, {});
    const std::filesystem::path folder = test::ScratchFolder("nested_modified");
    users.SaveToFile((folder / "u.cds").string());
    users.LoadFromFile((folder / "u.cds").string());
    EXPECT_FALSE(users.Modified());
    AddLog(*log, 8, ">", 1);
    EXPECT_TRUE(users.Modified());
    EXPECT_EQ(users.State(), DatasetState::Browse);
}

TEST_F(DatasetNestedTest, DeletingTheOwnerRowReattachesTheNestedTable)
{
    AddUserWithLog(101, {1, 2});
    AddUserWithLog(102, {4});
    users.Last();
    users.Delete();
    EXPECT_EQ(log->RecordCount(), 2);
    users.Delete();
    EXPECT_EQ(log->RecordCount(), 0);
    EXPECT_THROW(log->Append(), DatasetError);  // no owner row to hold it
    users.Close();
    EXPECT_FALSE(log->Active());
}

TEST_F(DatasetNestedTest, PostingTheOwnerPostsItsOpenNestedRow)
{
    users.Append();
    users.FieldByName("Id").SetAsInteger(101);
    log->Append();
    log->FieldByName("Day").SetAsInteger(3);
    EXPECT_THROW(users.Post(), DatasetError);  // the nested row lacks required fields
    EXPECT_EQ(users.State(), DatasetState::Insert);
    log->FieldByName("Kind").SetAsText(">");
    log->FieldByName("Duration").SetAsInteger(2);
    users.Post();
    EXPECT_EQ(log->State(), DatasetState::Browse);
    EXPECT_EQ(log->RecordCount(), 1);
}

TEST_F(DatasetNestedTest, NestedRangeIsCheckedWhenAssigned)
{
    users.Append();
    log->Append();
    EXPECT_THROW(log->FieldByName("Day").SetAsInteger(9), DatasetError);
    log->FieldByName("Day").SetAsInteger(8);
    log->Cancel();
    users.Cancel();
}

}  // namespace
}  // namespace parlino::dataset
