// The window's life in the notification area: hidden behind the tray icon while not in use,
// restored from its menu, and "Stop && Exit".
//
// The tray icon shows exactly while the window is hidden or minimised. Where the desktop has
// no notification area the icon cannot show, so the window then stays minimised on the
// taskbar instead of hiding where nobody could reach it.
#include "server/ZeltServerUnit1.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace parlino {

namespace {
bool TrayAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}
}  // namespace

void TZeltServerForm1::CreateTray()
{
    connect(Restore1, &QAction::triggered, this, &TZeltServerForm1::Restore1Click);
    connect(StopExit1, &QAction::triggered, this, &TZeltServerForm1::StopExit1Click);
    // Activating the icon runs the menu's default item. Many Linux trays report a single
    // click only, so that counts as well as the double click.
    connect(TrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason != QSystemTrayIcon::DoubleClick && reason != QSystemTrayIcon::Trigger)
            return;
        QAction* item = PopupMenu1->defaultAction();
        if (item && item->isEnabled())
            item->trigger();
    });
}

void TZeltServerForm1::StartInTray()
{
    StartHidden = true;
    if (TrayAvailable()) {
        TrayIcon1->show();
        hide();
    } else {
        showMinimized();
    }
}

void TZeltServerForm1::Restore1Click()
{
    StartHidden = false;
    showNormal();
    raise();
    activateWindow();
    ApplicationEvents1Restore();
}

void TZeltServerForm1::ApplicationEvents1Restore()
{
    setVisible(true);
    TrayIcon1->hide();
}

void TZeltServerForm1::ApplicationEvents1Minimize()
{
    if (!TrayAvailable())
        return;  // the taskbar button is the only way back
    TrayIcon1->show();
    // Hidden once the minimising is over: a hide in the middle of it would be undone.
    QTimer::singleShot(0, this, [this] {
        if (isMinimized())
            hide();
    });
}

void TZeltServerForm1::StopExit1Click()
{
    TrayIcon1->hide();
    BitBtn27Click();
    close();
}

void TZeltServerForm1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const bool wasMinimized = static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized;
    if (isMinimized() && !wasMinimized)
        ApplicationEvents1Minimize();
    else if (!isMinimized() && wasMinimized && isVisible())
        ApplicationEvents1Restore();
}

void TZeltServerForm1::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        emit Closed();
}

}  // namespace parlino
