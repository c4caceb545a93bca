#include "WindowTestFixture.h"

#include "platform/ui/DataGrid.h"
#include "platform/ui/DataNavigator.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

#include <filesystem>

namespace parlino::test {
namespace {

using StringList = std::vector<std::string>;

class ReloadAllTest : public WindowTest {
protected:
    // The controls a completed Reload All switches on.
    bool StoreControlsEnabled() const
    {
        bool all = window->BitBtn23->isEnabled() && window->BitBtn24->isEnabled() &&
                   window->BitBtn25->isEnabled() && window->BitBtn26->isEnabled() &&
                   window->SpeedButton1->isEnabled() && window->DBNavigator1->isEnabled() &&
                   window->DBNavigator3->isEnabled() && window->DBGrid1->Editing();
        for (QToolButton* button : window->PinButtons())
            all = all && button->isEnabled();
        for (ui::DataGrid* grid : window->PinGrids())
            all = all && grid->Editing();
        return all;
    }
    bool AnyStoreControlEnabled() const
    {
        bool any = window->BitBtn23->isEnabled() || window->BitBtn24->isEnabled() ||
                   window->BitBtn25->isEnabled() || window->BitBtn26->isEnabled() ||
                   window->SpeedButton1->isEnabled() || window->DBNavigator1->isEnabled() ||
                   window->DBNavigator3->isEnabled() || window->DBGrid1->Editing();
        for (QToolButton* button : window->PinButtons())
            any = any || button->isEnabled();
        return any;
    }
    std::vector<std::string> IndexNames()
    {
        std::vector<std::string> names;
        for (const dataset::IndexDef& index : Users().Indexes())
            names.push_back(index.name);
        return names;
    }
};

TEST_F(ReloadAllTest, BuildsTheUsersFromNoncritCriticalFixAndLogs)
{
    // The rows are built with the grid's updates frozen: it hears of the new table only a
    // few times (closing, opening, the release), not once per row.
    QSignalSpy gridResets(window->DBGrid1->model(), &QAbstractItemModel::modelReset);
    EXPECT_TRUE(Reload().empty());
    EXPECT_LE(gridResets.count(), 4);
    EXPECT_EQ(UsersColumn("Client_ID"), (StringList{"101", "102", "103", "104", "105", "801"}));
    EXPECT_EQ(UsersColumn("Name"), (StringList{"Alice", "Bob", "Carol", "Dave", "Erin", "Line 1"}));
    EXPECT_EQ(UsersColumn("Status"),
              (StringList{"OFFLINE", "OFFLINE", "OFFLINE", "BANNED", "OFFLINE", "OFFLINE"}));
    ASSERT_TRUE(store->GotoClient(UsersKeyed, 105));
    EXPECT_EQ(Users().FieldByName("Balance").AsFloat(), 0.0);
    EXPECT_EQ(Users().FieldByName("IP_Address").AsText(), "127.0.0.1");
    EXPECT_EQ(Users().State(), dataset::DatasetState::Browse);

    // Sort indexes for the twelve plain fields, none of them current; OutIn order on the logs.
    EXPECT_EQ(Users().Indexes().size(), 24u);
    EXPECT_EQ(Users().IndexName(), "");
    EXPECT_EQ(store->Prev7ServDays.IndexName(), "P7SDOutInIndex");
    EXPECT_EQ(store->CurServDay.IndexName(), "CurSDOutInIndex");
    EXPECT_FALSE(Users().ViewsFrozen());
    EXPECT_FALSE(store->NoncritTable.Active());
    EXPECT_FALSE(store->Prev7Carrier.Active());
    EXPECT_EQ(store->ReleasedPins[0].RecordCount(), 2);
    EXPECT_EQ(window->DBGrid1->model()->rowCount(), 6);

    EXPECT_TRUE(StoreControlsEnabled());
    EXPECT_FALSE(window->DBGrid11->Editing()) << "the talks grid stays read-only";
    EXPECT_FALSE(window->DBNavigator2->isEnabled()) << "only the first call-log pop-up enables it";
}

TEST_F(ReloadAllTest, TwiceInARowGivesTheSameTableAndIndexes)
{
    Reload();
    const StringList ids = UsersColumn("Client_ID");
    const std::vector<std::string> indexes = IndexNames();
    EXPECT_TRUE(Reload().empty());
    EXPECT_EQ(UsersColumn("Client_ID"), ids);
    EXPECT_EQ(IndexNames(), indexes);
    // Each account once, reached through its slot.
    for (int id : {101, 102, 103, 104, 105, 801}) {
        ASSERT_TRUE(store->GotoClient(UsersKeyed, id)) << id;
        EXPECT_EQ(Users().FieldByName("Client_ID").AsInteger(), id);
    }
    EXPECT_FALSE(store->GotoClient(UsersKeyed, 106));
}

TEST_F(ReloadAllTest, EmptyNoncritGivesAnEmptyUsersTableAndEnablesTheButtons)
{
    dataset::Dataset noncrit(NoncritLayout(), "noncrit");
    noncrit.Open();
    noncrit.SaveToFile(NoncritFile);
    EXPECT_TRUE(Reload().empty());
    EXPECT_TRUE(Users().Active());
    EXPECT_EQ(Users().RecordCount(), 0);
    EXPECT_TRUE(StoreControlsEnabled());
}

TEST_F(ReloadAllTest, MissingLogFileStopsItWithTheControlsDisabled)
{
    std::filesystem::remove(CurDayLogFile(103));
    const std::vector<ui::DialogRequest> shown = Reload();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, ui::DialogIcon::Error);
    EXPECT_NE(shown[0].text.indexOf(QStringLiteral("103cursd.cds")), -1) << shown[0].text.toStdString();
    EXPECT_FALSE(AnyStoreControlEnabled());
    // The rows built so far stay; the closing part ran.
    EXPECT_EQ(UsersColumn("Client_ID").size(), 3u);
    EXPECT_FALSE(Users().ViewsFrozen());
    EXPECT_FALSE(store->Prev7ServDays.ViewsFrozen());
    EXPECT_FALSE(store->ActivatedPins[2].ViewsFrozen());
    EXPECT_FALSE(store->NoncritTable.Active());
    EXPECT_FALSE(store->CurDayCarrier.Active());

    // With the file back the next Reload All succeeds from scratch.
    WriteLog(CurDayLogFile(103), LogKind::FileCurDay, {});
    EXPECT_TRUE(Reload().empty());
    EXPECT_EQ(UsersColumn("Client_ID").size(), 6u);
    EXPECT_TRUE(StoreControlsEnabled());
}

TEST_F(ReloadAllTest, DuplicateClientIdIsRefusedOnceAndStopsSilently)
{
    dataset::Dataset noncrit(NoncritLayout(), "noncrit");
    noncrit.SetFileName(NoncritFile);
    noncrit.Open();
    noncrit.Append();
    noncrit.FieldByName("Client_ID").SetAsInteger(102);
    noncrit.FieldByName("IP_Address").SetAsText("127.0.0.2");
    noncrit.Post();
    noncrit.Close();

    const std::vector<ui::DialogRequest> shown = Reload();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, QStringLiteral("Client_ID number already exists"));
    EXPECT_EQ(shown[0].caption, QStringLiteral("Error"));
    EXPECT_FALSE(AnyStoreControlEnabled());
    EXPECT_FALSE(Users().ViewsFrozen());

    // The half-built row must not block the next try once the file is mended.
    noncrit.Open();
    noncrit.Last();
    noncrit.Delete();
    noncrit.Close();
    EXPECT_TRUE(Reload().empty());
    EXPECT_EQ(UsersColumn("Client_ID").size(), 6u);
    EXPECT_TRUE(StoreControlsEnabled());
}

TEST_F(ReloadAllTest, OutgoingMinutesSumOnlyTheCallsMade)
{
    WriteLog(Prev7LogFile(101), LogKind::FilePrev7,
             {{2, "<", 102, 9}, {1, ">", 103, 3}, {7, ">", 102, 4}, {3, "<", 104, 1}});
    WriteLog(CurDayLogFile(101), LogKind::FileCurDay, {{8, ">", 105, 2}, {8, "<", 102, 6}});
    WriteLog(Prev7LogFile(102), LogKind::FilePrev7, {{1, "<", 101, 5}, {4, "<", 103, 2}});
    WriteLog(CurDayLogFile(102), LogKind::FileCurDay, {{8, "<", 101, 6}});
    EXPECT_TRUE(Reload().empty());

    ASSERT_TRUE(store->GotoClient(UsersKeyed, 101));
    EXPECT_EQ(Users().FieldByName("Prev7ServDaysDur").AsInteger(), 7);
    EXPECT_EQ(Users().FieldByName("CurServDayDur").AsInteger(), 2);
    EXPECT_EQ(store->Prev7ServDays.RecordCount(), 4);
    // OutIn order: calls made first, each kind from the oldest day.
    store->Prev7ServDays.First();
    EXPECT_EQ(store->Prev7ServDays.FieldByName("ServerDay").AsInteger(), 1);
    EXPECT_EQ(store->Prev7ServDays.FieldByName("CallType").AsText(), ">");

    ASSERT_TRUE(store->GotoClient(UsersKeyed, 102));
    EXPECT_EQ(Users().FieldByName("Prev7ServDaysDur").AsInteger(), 0);
    EXPECT_EQ(Users().FieldByName("CurServDayDur").AsInteger(), 0);
    ASSERT_TRUE(store->GotoClient(UsersKeyed, 103));
    EXPECT_EQ(Users().FieldByName("Prev7ServDaysDur").AsInteger(), 0) << "an empty log sums to 0";
}

}  // namespace
}  // namespace parlino::test
