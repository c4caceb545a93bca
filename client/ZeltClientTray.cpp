// The softphone in the notification area: minimising puts it there, "Restore" brings it
// back, "Exit" ends the program. The icon and the window's hiding follow the tray presence
// that both programs share.
#include "client/ZeltClientUnit1.h"

#include "platform/ui/TrayPresence.h"

#include <QSystemTrayIcon>

namespace parlino {

void TZeltClientForm1::CreateTray()
{
    tray_ = new ui::TrayPresence(*this, *TrayIcon1, *PopupMenu1);
    connect(tray_, &ui::TrayPresence::minimized, this, &TZeltClientForm1::ApplicationEvents1Minimize);
    connect(tray_, &ui::TrayPresence::restored, this, &TZeltClientForm1::ApplicationEvents1Restore);
}

void TZeltClientForm1::N1Click()
{
    tray_->showWindow();
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
    tray_->enterTray();
}

void TZeltClientForm1::ApplicationEvents1Restore()
{
    tray_->leaveTray();
}

}  // namespace parlino
