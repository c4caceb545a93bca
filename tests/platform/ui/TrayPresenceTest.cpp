#include "platform/ui/TrayPresence.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QWidget>

#include <gtest/gtest.h>

namespace parlino::ui {
namespace {

struct TrayWindow {
    QWidget window;
    QSystemTrayIcon* icon = new QSystemTrayIcon(&window);
    QMenu* menu = new QMenu(&window);
    QAction* restore = menu->addAction(QStringLiteral("Restore"));
    TrayPresence* tray = new TrayPresence(window, *icon, *menu);

    TrayWindow() { menu->setDefaultAction(restore); }
};

TEST(TrayPresenceTest, ASingleOrDoubleClickRunsTheEnabledDefaultItemOnly)
{
    struct Case {
        QSystemTrayIcon::ActivationReason reason;
        bool itemEnabled;
        int runs;
    };
    const Case cases[] = {
        {QSystemTrayIcon::DoubleClick, true, 1},
        {QSystemTrayIcon::Trigger, true, 1},
        {QSystemTrayIcon::Context, true, 0},
        {QSystemTrayIcon::MiddleClick, true, 0},
        {QSystemTrayIcon::DoubleClick, false, 0},
    };
    for (const Case& c : cases) {
        TrayWindow w;
        w.restore->setEnabled(c.itemEnabled);
        QSignalSpy runs(w.restore, &QAction::triggered);
        emit w.icon->activated(c.reason);
        EXPECT_EQ(runs.count(), c.runs) << "reason " << c.reason << ", enabled " << c.itemEnabled;
    }
}

TEST(TrayPresenceTest, MinimiseAndRestoreOfTheWindowAreReported)
{
    TrayWindow w;
    QSignalSpy minimized(w.tray, &TrayPresence::minimized);
    QSignalSpy restored(w.tray, &TrayPresence::restored);
    w.window.show();
    w.window.showMinimized();
    EXPECT_EQ(minimized.count(), 1);
    EXPECT_EQ(restored.count(), 0);
    w.window.showNormal();
    EXPECT_EQ(minimized.count(), 1);
    EXPECT_EQ(restored.count(), 1);
}

TEST(TrayPresenceTest, WithoutANotificationAreaTheWindowStaysOnTheTaskbar)
{
    if (TrayPresence::available())
        GTEST_SKIP() << "this desktop has a notification area";
    TrayWindow w;
    w.tray->startHidden();
    EXPECT_TRUE(w.window.isVisible());
    EXPECT_TRUE(w.window.isMinimized());
    w.tray->enterTray();
    EXPECT_TRUE(w.window.isVisible()) << "with no tray icon to come back through, it must not hide";
    EXPECT_FALSE(w.icon->isVisible());
    w.tray->showWindow();
    w.tray->leaveTray();
    EXPECT_FALSE(w.window.isMinimized());
    EXPECT_FALSE(w.icon->isVisible());
}

}  // namespace
}  // namespace parlino::ui
