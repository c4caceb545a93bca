#include "SignallingTestSupport.h"
#include "StartupTestFixture.h"

#include "platform/ui/DataGrid.h"
#include "platform/ui/DataNavigator.h"

#include <QPushButton>
#include <QToolButton>

namespace parlino::test {
namespace {

using ui::DialogAnswer;

TEST_F(StartupTest, SettingsAreReadAtEveryStartAndAMissingFileGivesTheDefaults)
{
    if (!PortIsFree(1101))
        GTEST_SKIP() << "port 1101 is in use on this machine";
    const quint16 port = WriteIniWithFreePort("2.5", "0,5");
    ASSERT_TRUE(AutoStart().empty());
    EXPECT_EQ(window->ServerSocket1->Port(), port);
    EXPECT_DOUBLE_EQ(inside().NetPayPerMin, 2.5);
    EXPECT_DOUBLE_EQ(inside().PayPerDay, 0.5);

    ASSERT_TRUE(QFile::remove(IniPath()));
    ASSERT_EQ(ClickStart(DialogAnswer::No).size(), 1u);
    EXPECT_TRUE(window->ServerSocket1->Active());
    EXPECT_EQ(window->ServerSocket1->Port(), 1101);
    EXPECT_EQ(inside().NetPayPerMin, 0.0);
    EXPECT_EQ(inside().PayPerDay, 0.0);

    // A new day without settings charges no fee.
    ClickStart(DialogAnswer::Yes);
    EXPECT_EQ(BalanceOf(101), 20.0);
    EXPECT_EQ(FixBalance(101), 20.0);
}

TEST_F(StartupTest, AutomaticStartNeverAsksButALaterClickDoes)
{
    const quint16 port = WriteIniWithFreePort();
    EXPECT_TRUE(AutoStart().empty());
    EXPECT_FALSE(window->Timer2->isActive());
    EXPECT_TRUE(window->ServerSocket1->Active());
    EXPECT_EQ(window->ServerSocket1->Port(), port);
    EXPECT_EQ(Caption(), "Parlino Server [Running]");

    // The timer's handler runs once only.
    window->BitBtn27->click();
    window->Timer2Timer();
    EXPECT_FALSE(window->ServerSocket1->Active());

    const std::vector<ui::DialogRequest> asked = ClickStart(DialogAnswer::No);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "Start New Server Day?");
    EXPECT_EQ(asked[0].caption, "Start Server");
    EXPECT_EQ(asked[0].buttons, ui::DialogButtons::YesNo);
    EXPECT_EQ(asked[0].icon, ui::DialogIcon::Question);
    EXPECT_TRUE(window->ServerSocket1->Active());
    EXPECT_EQ(ClickStart(DialogAnswer::No).size(), 1u) << "every later click asks";
}

TEST_F(StartupTest, AFailedReloadAtStartUpLeavesTheServerDown)
{
    WriteIniWithFreePort();
    ASSERT_TRUE(QFile::remove(QString::fromStdString(CurDayLogFile(102))));
    const std::vector<ui::DialogRequest> shown = AutoStart();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, ui::DialogIcon::Error);
    EXPECT_FALSE(window->ServerSocket1->Active());
    EXPECT_FALSE(window->BitBtn26->isEnabled());
    EXPECT_EQ(Caption(), "Parlino Server");

    // Later, stopped: a Reload All that fails leaves Start Server enabled, which must then
    // refuse to run on half the accounts and say what to do, and keep Reload All at hand.
    WriteLog(CurDayLogFile(102), LogKind::FileCurDay, {});
    ASSERT_TRUE(Reload().empty());
    ClickStart(DialogAnswer::No);
    ASSERT_TRUE(window->ServerSocket1->Active());
    window->BitBtn27->click();
    ASSERT_TRUE(QFile::remove(QString::fromStdString(CurDayLogFile(102))));
    ASSERT_EQ(Reload().size(), 1u);
    const std::vector<ui::DialogRequest> refused = ClickStart(DialogAnswer::No);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_TRUE(refused[0].text.contains("Reload All")) << refused[0].text.toStdString();
    EXPECT_FALSE(window->ServerSocket1->Active());
    EXPECT_TRUE(window->BitBtn22->isEnabled());
    EXPECT_EQ(Caption(), "Parlino Server [Stopped]");

    WriteLog(CurDayLogFile(102), LogKind::FileCurDay, {});
    ASSERT_TRUE(Reload().empty());
    EXPECT_EQ(ClickStart(DialogAnswer::No).size(), 1u);
    EXPECT_TRUE(window->ServerSocket1->Active());
    EXPECT_EQ(Caption(), "Parlino Server [Running]");
}

TEST_F(StartupTest, TemporariesOfSavesCutShortAreRemovedAtStart)
{
    WriteIniWithFreePort();
    // As a kill in the middle of saves leaves them: beside a log, a card table, the accounts.
    const std::vector<std::string> leftovers = {CurDayLogFile(101) + ".a1B2c3", ReleasedPinFile("250") + ".ZZ9zz9",
                                                std::string(NoncritFile) + ".000000"};
    for (const std::string& path : leftovers)
        std::ofstream(path) << "cut short";
    const QByteArray released = FileBytes(ReleasedPinFile("250"));

    ASSERT_TRUE(AutoStart().empty());
    for (const std::string& path : leftovers)
        EXPECT_FALSE(QFile::exists(QString::fromStdString(path))) << path;
    EXPECT_EQ(FileBytes(ReleasedPinFile("250")), released) << "the table beside it is untouched";
    EXPECT_EQ(store->ReleasedPins[1].RecordCount(), 1);
    EXPECT_TRUE(window->ServerSocket1->Active());
}

TEST_F(StartupTest, AnsweringNoStillSetsEveryActiveAccountOfflineAndEmptiesTheTalks)
{
    WriteIniWithFreePort();
    ASSERT_TRUE(AutoStart().empty());
    SetStatus(101, "ONLINE");
    SetStatus(102, "AWAY");
    SetStatus(103, "ONLINE");
    // Sorted so that every account set offline moves behind the rows still to be seen.
    Users().SetIndexName("StatusDscIndex");
    store->TalksTable.Append();
    store->TalksTable.FieldByName("ID2ID").SetAsText("101 > 102");
    store->TalksTable.Post();
    const QByteArray log101 = FileBytes(CurDayLogFile(101));

    ASSERT_EQ(ClickStart(DialogAnswer::No).size(), 1u);
    for (const std::int32_t id : {101, 102, 103, 105, 801}) {
        EXPECT_EQ(Field(id, "Status"), "OFFLINE") << id;
        EXPECT_EQ(FixStatus(id), "OFFLINE") << id;
    }
    EXPECT_EQ(Field(104, "Status"), "BANNED");
    EXPECT_EQ(FixStatus(104), "BANNED");
    EXPECT_TRUE(store->TalksTable.IsEmpty());
    EXPECT_EQ(BalanceOf(101), 20.0);
    EXPECT_EQ(FileBytes(CurDayLogFile(101)), log101);
    EXPECT_EQ(Caption(), "Parlino Server [Running]");
}

TEST_F(StartupTest, DismissingTheQuestionLeavesTheServerDownAndTheStatusesAlone)
{
    const quint16 port = WriteIniWithFreePort();
    ASSERT_TRUE(AutoStart().empty());
    Subscriber alice(port);
    alice.SignIn(101);
    ASSERT_EQ(alice.NextLetter(), 'V');
    ASSERT_EQ(ClickStart(DialogAnswer::Cancel).size(), 1u);
    EXPECT_FALSE(window->ServerSocket1->Active());
    EXPECT_TRUE(WaitUntil([&] { return alice.socket().state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_EQ(Field(101, "Status"), "ONLINE");
    EXPECT_EQ(FixStatus(101), "ONLINE");
    EXPECT_EQ(Caption(), "Parlino Server [Stopped]") << "the socket is closed";
    EXPECT_FALSE(window->BitBtn22->isEnabled()) << "editing stays locked";
}

// Stopping closes every connection, but the statuses of those signed in stay until the next
// Start Server resets them; "Stop && Exit" alike.
TEST_F(StartupTest, StoppingClosesTheConnectionsAndLeavesTheirStatuses)
{
    const quint16 port = WriteIniWithFreePort();
    ASSERT_TRUE(AutoStart().empty());
    const auto signedIn = [&](std::int32_t id) {
        auto subscriber = std::make_unique<Subscriber>(port);
        subscriber->SignIn(id);
        EXPECT_EQ(subscriber->NextLetter(), 'V') << id;
        return subscriber;
    };
    const auto closedByServer = [](Subscriber& subscriber) {
        return WaitUntil([&] { return subscriber.socket().state() == QAbstractSocket::UnconnectedState; });
    };

    auto alice = signedIn(101);
    window->BitBtn27->click();
    EXPECT_TRUE(closedByServer(*alice));
    EXPECT_EQ(Field(101, "Status"), "ONLINE");
    EXPECT_EQ(FixStatus(101), "ONLINE");

    ClickStart(DialogAnswer::No);
    EXPECT_EQ(Field(101, "Status"), "OFFLINE");
    auto bob = signedIn(102);
    window->StopExit1Click();
    EXPECT_TRUE(closedByServer(*bob));
    EXPECT_EQ(Field(102, "Status"), "ONLINE");
    EXPECT_EQ(FixStatus(102), "ONLINE");
}

TEST_F(StartupTest, StopLeavesStatusesAndStartAndStopSwapTheControls)
{
    WriteIniWithFreePort();
    ASSERT_TRUE(AutoStart().empty());
    const auto editingUnlocked = [this] {
        return window->BitBtn22->isEnabled() && window->BitBtn23->isEnabled() && window->BitBtn24->isEnabled() &&
               window->SpeedButton1->isEnabled() && window->DBGrid1->Editing() && window->DBGrid2->Editing() &&
               window->SpeedButton13->isEnabled() && window->DBNavigator3->isEnabled();
    };
    const auto serverControls = [this] {
        return window->BitBtn27->isEnabled() && window->BitBtn28->isEnabled() && window->BitBtn29->isEnabled();
    };
    EXPECT_FALSE(editingUnlocked());
    EXPECT_TRUE(serverControls());

    SetStatus(101, "ONLINE");
    window->BitBtn27->click();
    EXPECT_FALSE(window->ServerSocket1->Active());
    EXPECT_EQ(Caption(), "Parlino Server [Stopped]");
    EXPECT_EQ(Field(101, "Status"), "ONLINE");
    EXPECT_TRUE(editingUnlocked());
    EXPECT_FALSE(window->BitBtn27->isEnabled() || window->BitBtn28->isEnabled() || window->BitBtn29->isEnabled());
    EXPECT_TRUE(window->BitBtn26->isEnabled());

    ClickStart(DialogAnswer::No);
    EXPECT_EQ(Field(101, "Status"), "OFFLINE");
    EXPECT_FALSE(editingUnlocked());
    EXPECT_TRUE(serverControls());
    EXPECT_TRUE(window->BitBtn26->isEnabled());
    EXPECT_FALSE(window->BitBtn28->isVisible());
}

TEST_F(StartupTest, SettingsThatCannotRunTheServerAreRefusedBeforeAnythingChanges)
{
    const quint16 port = WriteIniWithFreePort("1", "0.5");
    ASSERT_TRUE(AutoStart().empty());
    Subscriber alice(port);
    alice.SignIn(101);
    ASSERT_EQ(alice.NextLetter(), 'V');
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::LocalHost, 0));

    struct Refused {
        IniValues settings;
        QString named;  // what the message must name
    };
    const Refused rows[] = {
        {{squatter.serverPort(), {}, {}}, QString::number(squatter.serverPort())},
        // A setting that names no port at all is refused too, not cut to 16 bits.
        {{70000, {}, {}}, "70000"},
        {{-1, {}, {}}, "-1"},
        // Charges that would make or lose money at every minute or day.
        {{port, "nan", {}}, "Net pay per min"},
        {{port, "inf", {}}, "Net pay per min"},
        {{port, "-inf", {}}, "Net pay per min"},
        {{port, "-1", {}}, "Net pay per min"},
        {{port, "1e400", {}}, "1e400"},
        {{port, "two", {}}, "Net pay per min"},
        {{port, {}, "inf"}, "Pay per day"},
        {{port, {}, "nan"}, "Pay per day"},
        {{port, {}, "-0,5"}, "Pay per day"},
    };
    for (const Refused& row : rows) {
        SCOPED_TRACE(row.named.toStdString());
        WriteServerIni(IniPath(), row.settings);
        // A new day would run if the question came: it must not even be asked.
        const std::vector<ui::DialogRequest> shown = ClickStart(DialogAnswer::Yes);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].icon, ui::DialogIcon::Error);
        EXPECT_TRUE(shown[0].text.contains(row.named)) << shown[0].text.toStdString();
        EXPECT_TRUE(window->ServerSocket1->Active());
        EXPECT_EQ(window->ServerSocket1->Port(), port);
        EXPECT_EQ(Caption(), "Parlino Server [Running]");
        EXPECT_EQ(Field(101, "Status"), "ONLINE") << "the subscriber stays signed in";
        EXPECT_EQ(BalanceOf(101), 20.0);
        EXPECT_EQ(FixBalance(101), 20.0);
        EXPECT_EQ(inside().NetPayPerMin, 1.0);
        EXPECT_EQ(inside().PayPerDay, 0.5);
    }

    // Stopped, a refused port keeps the caption and the socket closed.
    window->BitBtn27->click();
    WriteServerIni(IniPath(), {squatter.serverPort(), {}, {}});
    ASSERT_EQ(ClickStart(DialogAnswer::No).size(), 1u);
    EXPECT_FALSE(window->ServerSocket1->Active());
    EXPECT_EQ(Caption(), "Parlino Server [Stopped]");
}

// Restarting while subscribers are signed in: their connections go, they show offline, and
// the reopened socket takes new sign-ins.
TEST_F(StartupTest, ARestartClosesTheConnectionsAndListensAgain)
{
    const quint16 port = WriteIniWithFreePort();
    ASSERT_TRUE(AutoStart().empty());
    Subscriber first(port);
    ASSERT_TRUE(first.connected());
    first.SignIn(101);
    ASSERT_EQ(first.NextLetter(), 'V');
    ASSERT_EQ(Field(101, "Status"), "ONLINE");

    ClickStart(DialogAnswer::No);
    EXPECT_TRUE(WaitUntil([&] { return first.socket().state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_EQ(Field(101, "Status"), "OFFLINE");
    ASSERT_TRUE(window->ServerSocket1->Active());

    Subscriber second(port);
    ASSERT_TRUE(second.connected());
    second.SignIn(101);
    EXPECT_EQ(second.NextLetter(), 'V');
}

}  // namespace
}  // namespace parlino::test
