// Indexes, row handles across reordering, and the maintained sums.
#include "DatasetTestSupport.h"

#include <gtest/gtest.h>

namespace parlino::dataset {
namespace {

using test::AccountLayout;
using test::AddAccount;
using test::AddLog;
using test::IdsInOrder;
using test::LogLayout;

class DatasetOrderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        table.Open();
        AddAccount(table, 104, "bob");
        AddAccount(table, 101, "Carol");
        AddAccount(table, 103, "alice");
        AddAccount(table, 102, "Bob");
        table.AddIndex({"NameAsc", "Name", "", "Name"});
        table.AddIndex({"NameDscCase", "Name", "Name", ""});
        table.AddIndex({"IdDsc", "Id", "Id", ""});
    }
    Dataset table{AccountLayout(), "accounts"};
};

TEST_F(DatasetOrderTest, CaseInsensitiveIndexKeepsAddedOrderForEqualKeys)
{
    table.SetIndexName("NameAsc");
    EXPECT_EQ(IdsInOrder(table), (std::vector<int>{103, 104, 102, 101}));
    table.SetIndexName("NameDscCase");  // byte order: lower case after upper case
    EXPECT_EQ(IdsInOrder(table), (std::vector<int>{104, 103, 101, 102}));
    table.SetIndexName("");
    EXPECT_EQ(IdsInOrder(table), (std::vector<int>{104, 101, 103, 102}));
    EXPECT_THROW(table.SetIndexName("NoSuchIndex"), DatasetError);
    EXPECT_EQ(table.IndexName(), "");
}

TEST_F(DatasetOrderTest, CurrentRowStaysCurrentWhenTheOrderChanges)
{
    table.MoveTo(1);  // 101
    table.SetIndexName("IdDsc");
    EXPECT_EQ(table.FieldByName("Id").AsInteger(), 101);
    EXPECT_EQ(table.Position(), 3);
}

TEST_F(DatasetOrderTest, PostedRowTakesItsPlaceInTheCurrentIndex)
{
    table.SetIndexName("IdDsc");
    AddAccount(table, 150, "x");
    EXPECT_EQ(IdsInOrder(table), (std::vector<int>{150, 104, 103, 102, 101}));
    EXPECT_EQ(table.FieldByName("Id").AsInteger(), 150);
    table.Last();
    table.Edit();
    table.FieldByName("Id").SetAsInteger(999);
    table.Post();
    EXPECT_EQ(table.Position(), 0);
    EXPECT_EQ(IdsInOrder(table), (std::vector<int>{999, 150, 104, 103, 102}));
}

TEST_F(DatasetOrderTest, HandlesSurviveOtherRowsComingGoingAndReordering)
{
    table.MoveTo(2);  // 103
    const Bookmark mark = table.GetBookmark();
    table.First();
    table.Insert();
    table.FieldByName("Id").SetAsInteger(110);
    table.Post();
    AddAccount(table, 120, "z");
    table.First();
    table.Delete();  // 110
    table.SetIndexName("IdDsc");
    ASSERT_TRUE(table.BookmarkValid(mark));
    table.GotoBookmark(mark);
    EXPECT_EQ(table.FieldByName("Id").AsInteger(), 103);

    table.Delete();
    EXPECT_FALSE(table.BookmarkValid(mark));
    EXPECT_THROW(table.GotoBookmark(mark), DatasetError);
    Bookmark released = table.GetBookmark();
    table.FreeBookmark(released);
    EXPECT_TRUE(released.IsNull());
    EXPECT_FALSE(table.BookmarkValid(released));
}

TEST_F(DatasetOrderTest, HandlesDieWithEmptyAndClose)
{
    const Bookmark mark = table.GetBookmark();
    table.Empty();
    EXPECT_FALSE(table.BookmarkValid(mark));
    EXPECT_EQ(table.RecordCount(), 0);
    AddAccount(table, 101, "a");
    const Bookmark other = table.GetBookmark();
    table.Close();
    EXPECT_FALSE(table.BookmarkValid(other));
}

class DatasetAggregateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        log.Open();
        log.AddIndex({"OutIn", "Kind;Day", "Kind", ""});
        log.AddIndex({"History", "Day", "", ""});
        log.AddAggregate({"OutDur", "Sum(Duration)", "OutIn", 1});
        log.AddAggregate({"AllDur", "Sum(Duration)", "OutIn", 0});
    }
    Dataset log{LogLayout(), "log"};
};

TEST_F(DatasetAggregateTest, SumCoversOnlyTheCurrentRowsGroup)
{
    AddLog(log, 3, "<", 9);
    AddLog(log, 2, ">", 3);
    AddLog(log, 1, "<", 5);
    AddLog(log, 4, ">", 4);
    log.SetIndexName("OutIn");
    log.First();
    EXPECT_EQ(log.FieldByName("Kind").AsText(), ">");
    EXPECT_EQ(log.FieldByName("Day").AsInteger(), 2);
    EXPECT_EQ(log.AggregateValue("OutDur").ToInteger(), 7);
    EXPECT_EQ(log.AggregateValue("AllDur").ToInteger(), 21);
    log.Last();
    EXPECT_EQ(log.AggregateValue("OutDur").ToInteger(), 14);

    // Kept up to date as rows change.
    log.First();
    log.Edit();
    log.FieldByName("Duration").SetAsInteger(10);
    log.Post();
    log.First();
    EXPECT_EQ(log.AggregateValue("OutDur").ToInteger(), 14);
    EXPECT_THROW(log.AggregateValue("Nope"), DatasetError);
}

TEST_F(DatasetAggregateTest, SumHasNoValueUnderAnotherIndexOrWithoutRows)
{
    log.SetIndexName("OutIn");
    EXPECT_TRUE(log.AggregateValue("OutDur").IsNull());
    AddLog(log, 1, "<", 5);
    log.First();
    EXPECT_EQ(log.FieldByName("Kind").AsText(), "<");  // only incoming: first row is "<"
    log.SetIndexName("History");
    EXPECT_TRUE(log.AggregateValue("OutDur").IsNull());
}

}  // namespace
}  // namespace parlino::dataset
