#include "QtWait.h"
#include "StartupTestFixture.h"

#include <QAction>
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
    EXPECT_TRUE(window->StartHidden);

    window->Restore1->trigger();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_FALSE(window->StartHidden);

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
    EXPECT_FALSE(window->StartHidden);

    window->showMinimized();
    EXPECT_TRUE(WaitUntil([&] { return !window->isVisible(); }));
    EXPECT_TRUE(window->TrayIcon1->isVisible());
}

}  // namespace
}  // namespace parlino::test
