#include "WindowTestFixture.h"

#include "platform/ui/DataGrid.h"
#include "platform/ui/DataNavigator.h"
#include "platform/ui/NestedGridPopup.h"

#include <QApplication>
#include <QToolButton>

#include <filesystem>

namespace parlino::test {
namespace {

using StringList = std::vector<std::string>;

class StoreOpsTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_TRUE(Reload().empty());
    }
    void SelectColumn(const char* field)
    {
        window->DBGrid1->SetSelectedIndex(Users().FieldByName(field).Index());
        ASSERT_EQ(window->DBGrid1->SelectedField()->Name(), field);
    }
    std::vector<ui::DialogRequest> Click(void (TZeltServerForm1::*handler)())
    {
        ui::ScopedDialogResponder dialogs(ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok));
        (window.get()->*handler)();
        window->errorDisplay().showPending();
        return dialogs.requests();
    }
};

TEST_F(StoreOpsTest, SortDescendingSaveAndReloadKeepTheOrder)
{
    SelectColumn("Name");
    EXPECT_TRUE(Click(&TZeltServerForm1::BitBtn25Click).empty());
    const StringList descending{"Line 1", "Erin", "Dave", "Carol", "Bob", "Alice"};
    EXPECT_EQ(UsersColumn("Name"), descending);
    EXPECT_EQ(Users().IndexName(), "NameDscIndex");
    // A nested-table column has no index: the order stays.
    SelectColumn("CurServDay");
    EXPECT_TRUE(Click(&TZeltServerForm1::BitBtn24Click).empty());
    EXPECT_EQ(Users().IndexName(), "NameDscIndex");

    EXPECT_TRUE(Click(&TZeltServerForm1::BitBtn23Click).empty());
    EXPECT_FALSE(store->NoncritTable.Active());
    EXPECT_FALSE(Users().ViewsFrozen());

    // A fresh store and window, as after a restart, reload in the saved order.
    MakeWindow();
    ASSERT_TRUE(Reload().empty());
    EXPECT_EQ(Users().IndexName(), "");
    EXPECT_EQ(UsersColumn("Name"), descending);
    EXPECT_EQ(UsersColumn("Client_ID"), (StringList{"801", "105", "104", "103", "102", "101"}));
}

TEST_F(StoreOpsTest, SaveNcritWritesPinTablesAndOnlyTheUnmarkedFields)
{
    ASSERT_TRUE(store->GotoClient(UsersKeyed, 102));
    Users().Edit();
    Users().FieldByName("Contact").SetAsText("bob@example.org");
    Users().FieldByName("Balance").SetAsFloat(99.0);
    Users().Post();
    store->GeneratedPins[1].Append();
    store->GeneratedPins[1].FieldByName("CardPIN").SetAsText("22222222222222222222");
    store->GeneratedPins[1].Post();
    EXPECT_TRUE(Click(&TZeltServerForm1::BitBtn23Click).empty());

    dataset::Dataset noncrit(NoncritLayout(), "noncrit");
    noncrit.LoadFromFile(NoncritFile);
    ASSERT_EQ(noncrit.RecordCount(), 6);
    noncrit.MoveTo(1);
    EXPECT_EQ(noncrit.FieldByName("Contact").AsText(), "bob@example.org");
    dataset::Dataset generated(GeneratedPinLayout(), "gen");
    generated.LoadFromFile(GeneratedPinFile("250"));
    EXPECT_EQ(generated.RecordCount(), 2);
    // The balance is a *-field: Save Ncrit leaves critical.fix alone.
    EXPECT_EQ(FixDouble(ReadFixRecord(102), 28), 20.0);
}

TEST_F(StoreOpsTest, SaveNcritThatCannotCopyKeepsTheSavedAccounts)
{
    // A new row without its Client_ID cannot be posted: the saved accounts must survive.
    Users().Append();
    Users().FieldByName("IP_Address").SetAsText("10.0.0.9");
    const std::vector<ui::DialogRequest> shown = Click(&TZeltServerForm1::BitBtn23Click);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, ui::DialogIcon::Error);
    dataset::Dataset noncrit(NoncritLayout(), "noncrit");
    noncrit.LoadFromFile(NoncritFile);
    EXPECT_EQ(noncrit.RecordCount(), 6);
    EXPECT_FALSE(store->NoncritTable.Active());
    EXPECT_FALSE(Users().ViewsFrozen());
}

TEST_F(StoreOpsTest, StarWritesTheRecordBothLogsAndAMissingActivationTime)
{
    // A new account appended in the grid, with one call in each log.
    Users().Append();
    Users().FieldByName("Client_ID").SetAsInteger(150);
    Users().FieldByName("IP_Address").SetAsText("10.0.0.1");
    Users().FieldByName("Balance").SetAsFloat(12.5);
    Users().Post();
    for (auto [log, day, minutes] : {std::tuple{&store->Prev7ServDays, 3, 4},
                                     std::tuple{&store->CurServDay, 8, 2}}) {
        log->Append();
        log->FieldByName("ServerDay").SetAsInteger(day);
        log->FieldByName("CallDate").SetAsFloat(44999.0);
        log->FieldByName("CallTime").SetAsFloat(0.25);
        log->FieldByName("CallType").SetAsText(">");
        log->FieldByName("Client_ID").SetAsInteger(101);
        log->FieldByName("Duration").SetAsInteger(minutes);
        log->Post();
    }
    ASSERT_TRUE(Users().FieldByName("ActivDateTime").IsNull());

    EXPECT_TRUE(Click(&TZeltServerForm1::SpeedButton1Click).empty());
    EXPECT_EQ(Users().FieldByName("ActivDateTime").AsDateTime(), FixedNow);
    const std::array<char, 64> record = ReadFixRecord(150);
    EXPECT_EQ(FixText(record, 0, 20), "582047");
    EXPECT_EQ(FixText(record, 20, 8), "OFFLINE");
    EXPECT_EQ(FixDouble(record, 28), 12.5);
    EXPECT_EQ(FixText(record, 36, 20), "ONPLUG");
    EXPECT_EQ(FixDouble(record, 56), FixedNow);

    const std::vector<LogRow> previous = ReadLog(Prev7LogFile(150), LogKind::FilePrev7);
    ASSERT_EQ(previous.size(), 1u);
    EXPECT_EQ(previous[0].serverDay, 3);
    EXPECT_EQ(previous[0].duration, 4);
    EXPECT_EQ(previous[0].callType, ">");
    const std::vector<LogRow> current = ReadLog(CurDayLogFile(150), LogKind::FileCurDay);
    ASSERT_EQ(current.size(), 1u);
    EXPECT_EQ(current[0].duration, 2);

    // The carriers stay empty files and nothing stays frozen or open.
    EXPECT_TRUE(ReadLog(Prev7CarrierFile, LogKind::FilePrev7).empty());
    EXPECT_TRUE(ReadLog(CurDayCarrierFile, LogKind::FileCurDay).empty());
    EXPECT_FALSE(Users().ViewsFrozen());
    EXPECT_FALSE(store->Prev7Carrier.Active());
}

TEST_F(StoreOpsTest, StarLeavesTheBytesOfNullFieldsAndKeepsAnActivationTime)
{
    ASSERT_TRUE(store->GotoClient(UsersKeyed, 101));
    const double activated = 44000.5;  // any time but the clock's
    const std::array<char, 64> before = ReadFixRecord(101);
    Users().Edit();
    Users().FieldByName("ActivDateTime").SetAsDateTime(activated);
    Users().FieldByName("CardPIN").Clear();
    Users().FieldByName("Password").SetAsText("abc");
    Users().Post();
    EXPECT_TRUE(Click(&TZeltServerForm1::SpeedButton1Click).empty());

    const std::array<char, 64> after = ReadFixRecord(101);
    EXPECT_EQ(std::string(after.data(), 4), std::string("abc\0", 4));
    EXPECT_EQ(std::string(after.data() + 4, 16), std::string(before.data() + 4, 16))
        << "the rest of the password field keeps its bytes";
    EXPECT_EQ(std::string(after.data() + 36, 20), std::string(before.data() + 36, 20));
    EXPECT_EQ(FixDouble(after, 56), activated) << "an existing time is not replaced";
    EXPECT_EQ(Users().FieldByName("ActivDateTime").AsDateTime(), activated);
    // An account without log rows gets two empty log files.
    EXPECT_TRUE(ReadLog(Prev7LogFile(101), LogKind::FilePrev7).empty());
}

TEST_F(StoreOpsTest, StarRefusesARowWithoutAUsableClientId)
{
    const auto sizeBefore = std::filesystem::file_size(CriticalFixPath);
    const std::array<char, 64> firstBefore = ReadFixRecord(1);
    Users().Append();
    Users().FieldByName("IP_Address").SetAsText("10.0.0.3");
    const std::vector<ui::DialogRequest> shown = Click(&TZeltServerForm1::SpeedButton1Click);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, ui::DialogIcon::Error);
    EXPECT_EQ(std::filesystem::file_size(CriticalFixPath), sizeBefore);
    EXPECT_EQ(ReadFixRecord(1), firstBefore);
    EXPECT_FALSE(std::filesystem::exists(Prev7LogFile(0)));
    EXPECT_FALSE(Users().ViewsFrozen());
}

TEST_F(StoreOpsTest, AccountAddedWithStarAndSaveNcritComesBackOnReload)
{
    Users().Append();
    Users().FieldByName("Client_ID").SetAsInteger(200);
    Users().FieldByName("IP_Address").SetAsText("10.0.0.2");
    Users().FieldByName("Name").SetAsText("Zoe");
    Users().FieldByName("Status").SetAsText("BANNED");
    Users().Post();
    EXPECT_TRUE(Click(&TZeltServerForm1::SpeedButton1Click).empty());
    EXPECT_TRUE(Click(&TZeltServerForm1::BitBtn23Click).empty());
    EXPECT_TRUE(Reload().empty());
    ASSERT_TRUE(store->GotoClient(UsersKeyed, 200));
    EXPECT_EQ(Users().FieldByName("Name").AsText(), "Zoe");
    EXPECT_EQ(Users().FieldByName("Status").AsText(), "BANNED");
    EXPECT_EQ(Users().FieldByName("ActivDateTime").AsDateTime(), FixedNow);
}

TEST_F(StoreOpsTest, CallLogPopupsAreMadeOnceAndDriveTheNavigator)
{
    window->show();
    ASSERT_TRUE(store->GotoClient(UsersKeyed, 102));
    SelectColumn("Prev7ServDays");
    window->DBGrid1EditButtonClick();
    ASSERT_NE(window->Prev7ServDaysPopup, nullptr);
    EXPECT_TRUE(window->Prev7ServDaysGrid->isVisible());
    EXPECT_EQ(window->Prev7ServDaysGrid->Dataset(), &store->Prev7ServDays);
    EXPECT_TRUE(window->DBNavigator2->isEnabled());
    EXPECT_EQ(window->DBNavigator2->Dataset(), &store->Prev7ServDays);
    EXPECT_EQ(window->Prev7ServDaysPopup->height(), window->DBGrid1->height() / 2);
    // Its log is editable exactly while the accounts are.
    EXPECT_TRUE(window->Prev7ServDaysGrid->Editing());
    window->DBGrid1->SetEditing(false);
    EXPECT_FALSE(window->Prev7ServDaysGrid->Editing());
    window->DBGrid1->SetEditing(true);

    SelectColumn("CurServDay");
    window->DBGrid1EditButtonClick();
    ASSERT_NE(window->CurServDayPopup, nullptr);
    EXPECT_EQ(window->DBNavigator2->Dataset(), &store->CurServDay);
    // The current-day pop-up opens at the grid's centre, right of the other one.
    EXPECT_GT(window->CurServDayPopup->x(), window->Prev7ServDaysPopup->x());
    EXPECT_EQ(window->CurServDayPopup->y(), window->Prev7ServDaysPopup->y());

    // Activating a pop-up points the navigator at its log.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(window->Prev7ServDaysPopup, &activate);
    EXPECT_EQ(window->DBNavigator2->Dataset(), &store->Prev7ServDays);

    // Closed, it is only hidden; the navigator shows it again, and so does the button.
    ui::NestedGridPopup* first = window->Prev7ServDaysPopup;
    first->close();
    EXPECT_FALSE(window->Prev7ServDaysGrid->isVisible());
    window->DBNavigator2->Click(ui::NavigateButton::Refresh);
    EXPECT_TRUE(window->Prev7ServDaysGrid->isVisible());
    first->close();
    SelectColumn("Prev7ServDays");
    window->DBGrid1EditButtonClick();
    EXPECT_EQ(window->Prev7ServDaysPopup, first);
    EXPECT_TRUE(window->Prev7ServDaysGrid->isVisible());
}

}  // namespace
}  // namespace parlino::test
