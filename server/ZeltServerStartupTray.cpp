// The window's life in the notification area: hidden behind the tray icon while not in use,
// restored from its menu, and "Stop && Exit".
//
// The icon and the window's hiding follow the tray presence that both programs share.
#include "server/ZeltServerUnit1.h"

#include "platform/ui/TrayPresence.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QSystemTrayIcon>

namespace parlino {

void TZeltServerForm1::CreateTray()
{
    connect(Restore1, &QAction::triggered, this, &TZeltServerForm1::Restore1Click);
    connect(StopExit1, &QAction::triggered, this, &TZeltServerForm1::StopExit1Click);
    tray_ = new ui::TrayPresence(*this, *TrayIcon1, *PopupMenu1);
    connect(tray_, &ui::TrayPresence::minimized, this, &TZeltServerForm1::ApplicationEvents1Minimize);
    connect(tray_, &ui::TrayPresence::restored, this, &TZeltServerForm1::ApplicationEvents1Restore);
}

void TZeltServerForm1::StartInTray()
{
    StartHidden = true;
    tray_->startHidden();
}

void TZeltServerForm1::Restore1Click()
{
    StartHidden = false;
    tray_->showWindow();
    ApplicationEvents1Restore();
}

void TZeltServerForm1::ApplicationEvents1Restore()
{
    tray_->leaveTray();
}

void TZeltServerForm1::ApplicationEvents1Minimize()
{
    tray_->enterTray();
}

void TZeltServerForm1::StopExit1Click()
{
    TrayIcon1->hide();
    BitBtn27Click();
    close();
}

void TZeltServerForm1::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        emit Closed();
}

}  // namespace parlino
