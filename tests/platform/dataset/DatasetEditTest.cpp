// Field rules, the edit states with their events, and what bound views are told.
#include "DatasetTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace parlino::dataset {
namespace {

using test::AccountLayout;
using test::AddAccount;
using test::IdsInOrder;

class DatasetEditTest : public ::testing::Test {
protected:
    void SetUp() override { table.Open(); }
    Dataset table{AccountLayout(), "accounts"};
};

TEST_F(DatasetEditTest, NewRowsGetDefaultsAndTextsAreCutToWidth)
{
    table.Append();
    EXPECT_EQ(table.FieldByName("Status").AsText(), "OFFLINE");
    EXPECT_DOUBLE_EQ(table.FieldByName("Balance").AsFloat(), 20.0);
    EXPECT_TRUE(table.FieldByName("Name").IsNull());
    table.FieldByName("Id").SetAsInteger(150);
    table.FieldByName("Name").SetAsText("Bartholomew");
    table.Post();
    EXPECT_EQ(table.FieldByName("Name").AsText(), "Bartho");
}

TEST_F(DatasetEditTest, OutOfRangeIntegerIsRefusedAndOldValueKept)
{
    AddAccount(table, 150, "a");
    table.Edit();
    EXPECT_THROW(table.FieldByName("Id").SetAsInteger(100), DatasetError);
    EXPECT_THROW(table.FieldByName("Id").SetAsInteger(1001), DatasetError);
    EXPECT_EQ(table.FieldByName("Id").AsInteger(), 150);
    table.FieldByName("Id").SetAsInteger(1000);
    table.Post();
    EXPECT_EQ(table.FieldByName("Id").AsInteger(), 1000);
}

TEST_F(DatasetEditTest, RequiredFieldLeftEmptyRefusesThePostAndKeepsTheRowOpen)
{
    table.Append();
    EXPECT_THROW(table.Post(), DatasetError);
    EXPECT_EQ(table.State(), DatasetState::Insert);
    table.FieldByName("Id").SetAsInteger(200);
    table.FieldByName("Status").Clear();
    EXPECT_THROW(table.Post(), DatasetError);
    table.FieldByName("Status").SetAsText("BANNED");
    table.Post();
    EXPECT_EQ(table.State(), DatasetState::Browse);
    EXPECT_EQ(table.RecordCount(), 1);
}

TEST_F(DatasetEditTest, ValidationHookSeesNewValueAndCanRefuseSilently)
{
    AddAccount(table, 150, "a");
    std::vector<int> seen;
    table.FieldByName("Id").OnValidate = [&seen](Field&, const Value& value) {
        seen.push_back(value.ToInteger());
        if (value.ToInteger() == 666)
            throw SilentAbort();
    };
    table.Edit();
    EXPECT_THROW(table.FieldByName("Id").SetAsInteger(666), SilentAbort);
    EXPECT_EQ(table.FieldByName("Id").AsInteger(), 150);
    table.FieldByName("Id").SetAsInteger(160);
    EXPECT_EQ(seen, (std::vector<int>{666, 160}));
    // The range is checked before the hook is asked.
    EXPECT_THROW(table.FieldByName("Id").SetAsInteger(5), DatasetError);
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(DatasetEditTest, DateAndTimeFieldsKeepOnlyTheirPart)
{
    Dataset log({DateField("D"), TimeField("T"), DateTimeField("DT")}, "log");
    log.Open();
    log.Append();
    const double when = 46000.75;  // a date at 18:00
    log.FieldAt(0).SetAsDateTime(when);
    log.FieldAt(1).SetAsDateTime(when);
    log.FieldAt(2).SetAsDateTime(when);
    log.Post();
    EXPECT_DOUBLE_EQ(log.FieldAt(0).AsDateTime(), 46000.0);
    EXPECT_DOUBLE_EQ(log.FieldAt(1).AsDateTime(), 0.75);
    EXPECT_DOUBLE_EQ(log.FieldAt(2).AsDateTime(), when);
}

TEST_F(DatasetEditTest, AssigningOutsideEditStateIsRefused)
{
    AddAccount(table, 150, "a");
    EXPECT_THROW(table.FieldByName("Name").SetAsText("x"), DatasetError);
    EXPECT_THROW(table.Post(), DatasetError);
    Dataset closed(AccountLayout());
    EXPECT_THROW(closed.Append(), DatasetError);
}

TEST_F(DatasetEditTest, InsertGoesBeforeCurrentRowAndCancelRestoresTheCursor)
{
    AddAccount(table, 101, "a");
    AddAccount(table, 102, "b");
    AddAccount(table, 103, "c");
    table.MoveTo(1);
    table.Insert();
    EXPECT_EQ(table.Position(), 1);
    EXPECT_EQ(table.RecordCount(), 4);
    table.FieldByName("Id").SetAsInteger(110);
    table.Post();
    EXPECT_EQ(IdsInOrder(table), (std::vector<int>{101, 110, 102, 103}));

    table.MoveTo(2);
    table.Insert();
    table.Cancel();
    EXPECT_EQ(table.RecordCount(), 4);
    EXPECT_EQ(table.FieldByName("Id").AsInteger(), 102);
    table.Append();
    table.Cancel();
    EXPECT_EQ(table.FieldByName("Id").AsInteger(), 103);
}

TEST_F(DatasetEditTest, CancelledEditKeepsStoredValues)
{
    AddAccount(table, 101, "a");
    table.Edit();
    table.FieldByName("Name").SetAsText("zz");
    EXPECT_EQ(table.RowValue(0, 1).ToText(), "zz");  // views show the edit buffer
    table.Cancel();
    EXPECT_EQ(table.FieldByName("Name").AsText(), "a");
}

TEST_F(DatasetEditTest, DeleteMovesToTheNextRowOrTheLast)
{
    for (int id = 101; id <= 103; ++id)
        AddAccount(table, id, "x");
    table.MoveTo(1);
    table.Delete();
    EXPECT_EQ(table.FieldByName("Id").AsInteger(), 103);
    table.Delete();
    EXPECT_EQ(table.FieldByName("Id").AsInteger(), 101);
    table.Delete();
    EXPECT_TRUE(table.Eof());
    EXPECT_TRUE(table.FieldByName("Id").IsNull());
    EXPECT_THROW(table.Delete(), DatasetError);
}

TEST_F(DatasetEditTest, EventsComeInOrderWithTheRowCurrent)
{
    std::vector<std::string> events;
    table.AfterEdit = [&](Dataset& d) { events.push_back("edit " + d.FieldByName("Id").AsText()); };
    table.AfterPost = [&](Dataset& d) { events.push_back("post " + d.FieldByName("Id").AsText()); };
    table.AfterCancel = [&](Dataset&) { events.push_back("cancel"); };
    table.BeforeDelete = [&](Dataset& d) { events.push_back("delete " + d.FieldByName("Id").AsText()); };
    AddAccount(table, 101, "a");
    table.Edit();
    table.FieldByName("Id").SetAsInteger(102);
    table.Post();
    table.Edit();
    table.Cancel();
    table.Append();
    table.Cancel();
    table.Cancel();  // nothing to cancel: no event
    table.Delete();
    EXPECT_EQ(events, (std::vector<std::string>{"post 101", "edit 101", "post 102", "edit 102",
                                                "cancel", "cancel", "delete 102"}));
}

TEST_F(DatasetEditTest, ABeforeDeleteThatThrowsKeepsTheRow)
{
    AddAccount(table, 101, "a");
    table.BeforeDelete = [](Dataset&) { throw SilentAbort(); };
    EXPECT_THROW(table.Delete(), SilentAbort);
    EXPECT_EQ(table.RecordCount(), 1);
}

TEST_F(DatasetEditTest, NavigationSetsEndMarks)
{
    for (int id = 101; id <= 102; ++id)
        AddAccount(table, id, "x");
    table.First();
    EXPECT_TRUE(table.Bof());
    EXPECT_FALSE(table.Eof());
    table.Next();
    EXPECT_FALSE(table.Eof());
    table.Next();
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.FieldByName("Id").AsInteger(), 102);
    table.Prior();
    table.Prior();
    EXPECT_TRUE(table.Bof());
    EXPECT_EQ(table.FieldByName("Id").AsInteger(), 101);
    EXPECT_THROW(table.MoveTo(2), DatasetError);
}

TEST_F(DatasetEditTest, MovingPostsAPendingEdit)
{
    AddAccount(table, 101, "a");
    AddAccount(table, 102, "b");
    table.First();
    table.Edit();
    table.FieldByName("Name").SetAsText("q");
    table.Next();
    EXPECT_EQ(table.State(), DatasetState::Browse);
    EXPECT_EQ(table.RowValue(0, 1).ToText(), "q");
}

class Recorder : public DatasetListener {
public:
    void DataChanged(Dataset&) override { log.push_back("data"); }
    void RowChanged(Dataset&, int row) override { log.push_back("row " + std::to_string(row)); }
    void CursorMoved(Dataset& d) override { log.push_back("cursor " + std::to_string(d.Position())); }
    void StateChanged(Dataset&) override { log.push_back("state"); }
    void FreezeChanged(Dataset&, bool frozen) override { log.push_back(frozen ? "frozen" : "released"); }
    std::vector<std::string> log;
};

TEST_F(DatasetEditTest, FrozenViewsHearNothingUntilTheOutermostRelease)
{
    AddAccount(table, 101, "a");
    Recorder views;
    table.AddListener(&views);
    table.FreezeViews();
    table.FreezeViews();
    AddAccount(table, 102, "b");
    table.ReleaseViews();
    EXPECT_TRUE(table.ViewsFrozen());
    EXPECT_EQ(views.log, (std::vector<std::string>{"frozen"}));
    table.ReleaseViews();
    EXPECT_FALSE(table.ViewsFrozen());
    EXPECT_EQ(views.log, (std::vector<std::string>{"frozen", "released", "data", "cursor 1"}));
    table.ReleaseViews();  // an unmatched release is ignored
    EXPECT_FALSE(table.ViewsFrozen());

    views.log.clear();
    table.First();
    table.Edit();
    table.FieldByName("Name").SetAsText("c");
    EXPECT_EQ(views.log, (std::vector<std::string>{"cursor 0", "state", "row 0"}));
    table.RemoveListener(&views);
    table.Cancel();
    EXPECT_EQ(views.log.size(), 3u);
}

TEST_F(DatasetEditTest, ReleaseTellsOnlyWhatChangedWhileFrozen)
{
    AddAccount(table, 101, "a");
    AddAccount(table, 102, "b");
    struct Case {
        const char* name;
        std::function<void()> whileFrozen;
        std::vector<std::string> told;  // after "frozen"
    };
    const std::vector<Case> cases = {
        {"nothing", [] {}, {"released"}},
        {"a lookup that finds nothing", [&] { EXPECT_FALSE(table.BookmarkValid(Bookmark{})); }, {"released"}},
        {"the cursor moved", [&] { table.First(); }, {"released", "cursor 0"}},
        {"a value changed", [&] {
             table.Edit();
             table.FieldByName("Name").SetAsText("z");
             table.Post();
         }, {"released", "data", "cursor 1"}},
    };
    for (const Case& c : cases) {
        table.Last();
        Recorder views;
        table.AddListener(&views);
        table.FreezeViews();
        c.whileFrozen();
        table.ReleaseViews();
        table.RemoveListener(&views);
        std::vector<std::string> expected{"frozen"};
        expected.insert(expected.end(), c.told.begin(), c.told.end());
        EXPECT_EQ(views.log, expected) << c.name;
    }
}

}  // namespace
}  // namespace parlino::dataset
