// The softphone in the notification area: minimising puts it there, "Restore" brings it
// back, "Exit" ends the program.
#include "client/ZeltClientUnit1.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindowStateChangeEvent>

namespace parlino {

void TZeltClientForm1::CreateTray()
{
    // Activating the icon runs the menu's default item; many Linux trays report a single
    // click only, so that counts as well as the double click.
    connect(TrayIcon1, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason != QSystemTrayIcon::DoubleClick && reason != QSystemTrayIcon::Trigger)
                    return;
                QAction* item = PopupMenu1->defaultAction();
                if (item && item->isEnabled())
                    item->trigger();
            });
}

void TZeltClientForm1::N1Click()
{
    showNormal();
    raise();
    activateWindow();
    ApplicationEvents1Restore();
}

void TZeltClientForm1::N3Click()
{
    showNormal();
    TrayIcon1->hide();
    close();
}

void TZeltClientForm1::ApplicationEvents1Minimize()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;  // the taskbar button is the only way back
    TrayIcon1->show();
    // Hidden once the minimising is over: a hide in the middle of it would be undone.
    QTimer::singleShot(0, this, [this] {
        if (isMinimized())
            hide();
    });
}

void TZeltClientForm1::ApplicationEvents1Restore()
{
    TrayIcon1->hide();
}

void TZeltClientForm1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const bool wasMinimized = static_cast<QWindowStateChangeEvent*>(event)->oldState() &
        Qt::WindowMinimized;
    if (isMinimized() && !wasMinimized)
        ApplicationEvents1Minimize();
    else if (!isMinimized() && wasMinimized)
        ApplicationEvents1Restore();
}

}  // namespace parlino
