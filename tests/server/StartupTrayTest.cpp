#include "SignallingTestSupport.h"
#include "StartupTestFixture.h"

#include <QAction>
#include <QSignalSpy>
#include <QSystemTrayIcon>

namespace parlino::test {
namespace {

TEST_F(StartupTest, WithoutANotificationAreaTheWindowStartsMinimisedAndStaysReachable)
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        GTEST_SKIP() << "this desktop has a notification area";
    window->StartInTray();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    EXPECT_TRUE(inside().StartHidden);

    window->Restore1->trigger();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_FALSE(inside().StartHidden);

    window->showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->isVisible()) << "with no tray icon to come back through, it must not hide";
}

TEST_F(StartupTest, TheTrayIconStandsInForTheHiddenWindow)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        GTEST_SKIP() << "no notification area on this desktop";
    window->StartInTray();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->TrayIcon1->isVisible());

    emit window->TrayIcon1->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->TrayIcon1->isVisible());
    EXPECT_FALSE(inside().StartHidden);

    window->showMinimized();
    EXPECT_TRUE(WaitUntil([&] { return !window->isVisible(); }));
    EXPECT_TRUE(window->TrayIcon1->isVisible());
}

TEST_F(StartupTest, StopAndExitEndsTheTalksWithoutTellingAnybodyAndClosesTheWindow)
{
    const quint16 port = WriteIniWithFreePort();
    ASSERT_TRUE(AutoStart().empty());
    Subscriber caller(port);
    Subscriber callee(port);
    caller.SignIn(101);
    ASSERT_EQ(caller.NextLetter(), 'V');
    callee.SignIn(102);
    ASSERT_EQ(callee.NextLetter(), 'V');
    callee.Send('A', 1, {std::int32_t{101}});
    ASSERT_EQ(caller.NextLetter(), 'A');
    caller.Send('S', 1, {std::int32_t{102}});
    ASSERT_EQ(callee.NextLetter(), 'S');
    ASSERT_EQ(inside().TalkList.size(), 1u);
    ASSERT_TRUE(inside().RelayThread);
    window->Restore1->trigger();

    QSignalSpy closed(window.get(), &TZeltServerForm1::Closed);
    window->StopExit1->trigger();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->TrayIcon1->isVisible());
    EXPECT_TRUE(inside().TalkList.empty());
    EXPECT_FALSE(inside().RelayThread);
    EXPECT_FALSE(window->ServerSocket1->Active());

    for (Subscriber* party : {&caller, &callee}) {
        EXPECT_TRUE(WaitUntil([&] { return party->socket().state() == QAbstractSocket::UnconnectedState; }));
        const auto told = party->Next(0);
        EXPECT_FALSE(told) << "told '" << told->letter << "'";
    }
}

}  // namespace
}  // namespace parlino::test
