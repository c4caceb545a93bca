// A program window's life in the notification area, alike for both programs: the tray icon
// shows exactly while the window is hidden or minimised, and activating the icon runs its
// menu's default item.
//
// Where the desktop has no notification area the icon cannot show, so the window then stays
// minimised on the taskbar instead of hiding where nobody could reach it.
//
// The window keeps its own minimise and restore handlers: connect them to minimized() and
// restored() and let them call enterTray() and leaveTray().
#pragma once

#include <QObject>

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace parlino::ui {

class TrayPresence : public QObject {
    Q_OBJECT
public:
    // Watches `window` for minimise and restore; a single or double click on `icon` runs the
    // enabled default item of `menu`. All three outlive this object, which the window owns.
    TrayPresence(QWidget& window, QSystemTrayIcon& icon, QMenu& menu);

    // Whether the desktop has a notification area to hold the icon.
    static bool available();

    // Start-up: the window hidden behind the icon, or minimised where there is no
    // notification area.
    void startHidden();
    // Brings the window back in front of the others (the menu's "Restore").
    void showWindow();
    // The window was minimised: the icon shows and the window hides once the minimise is
    // over (a hide in the middle of it would be undone). Nothing where there is no tray.
    void enterTray();
    // The window was restored: it is visible and the icon gone.
    void leaveTray();

signals:
    void minimized();
    void restored();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    QSystemTrayIcon& icon_;
    QMenu& menu_;
};

}  // namespace parlino::ui
