#include "platform/ui/TrayPresence.h"

#include <QAction>
#include <QEvent>
#include <QWindowStateChangeEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

namespace parlino::ui {

TrayPresence::TrayPresence(QWidget& window, QSystemTrayIcon& icon, QMenu& menu)
    : QObject(&window), window_(window), icon_(icon), menu_(menu)
{
    // Many Linux trays report a single click only, so that counts as well as the double click.
    connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason != QSystemTrayIcon::DoubleClick && reason != QSystemTrayIcon::Trigger)
            return;
        QAction* item = menu_.defaultAction();
        if (item && item->isEnabled())
            item->trigger();
    });
    window_.installEventFilter(this);
}

bool TrayPresence::available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayPresence::startHidden()
{
    if (available()) {
        icon_.show();
        window_.hide();
    } else {
        window_.showMinimized();
    }
}

void TrayPresence::showWindow()
{
    window_.showNormal();
    window_.raise();
    window_.activateWindow();
}

void TrayPresence::enterTray()
{
    if (!available())
        return;  // the taskbar button is the only way back
    icon_.show();
    QTimer::singleShot(0, &window_, [this] {
        if (window_.isMinimized())
            window_.hide();
    });
}

void TrayPresence::leaveTray()
{
    window_.setVisible(true);
    icon_.hide();
}

bool TrayPresence::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &window_ && event->type() == QEvent::WindowStateChange) {
        const auto oldState = static_cast<QWindowStateChangeEvent*>(event)->oldState();
        const bool wasMinimized = oldState & Qt::WindowMinimized;
        const bool minimizedNow = window_.windowState() & Qt::WindowMinimized;
        if (minimizedNow && !wasMinimized)
            emit minimized();
        else if (!minimizedNow && wasMinimized && window_.isVisible())
            emit restored();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace parlino::ui
