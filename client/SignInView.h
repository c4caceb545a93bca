// What the connect sequence and the sign-in need from the softphone's window.
#pragma once

#include <QString>

namespace parlino {

// The caller's variables that the Connection dialog shows and writes back.
struct ConnectionDialogFields {
    QString hostName;
    QString ipAddress;
    int selectedIndex = 0;  // 0: IP address, 1: host name
    QString tcpPort;
    QString udpBase;
    QString udpMax;
    QString socketCount;
    QString clientId;
    QString password;
    QString newPassword;
};

class SignInView {
public:
    virtual ~SignInView() = default;

    // Inserts a log entry; the text begins with a blank.
    virtual void addLogEntry(const QString& text) = 0;
    // Shows the Connection dialog modally on the fields; true for OK.
    virtual bool runConnectionDialog(ConnectionDialogFields& fields) = 0;
    // A message box captioned "Error" with the error icon, owned by the main window.
    virtual void showError(const QString& text) = 0;
    // The application's display of an error raised while an event was handled.
    virtual void showException(const QString& message) = 0;
    // The Balance, Call and Drop buttons.
    virtual void setCallButtonsEnabled(bool enabled) = 0;
    // Minimises the application into the notification area.
    virtual void minimizeApplication() = 0;
    // Tells the application to end once the current event is done.
    virtual void terminateApplication() = 0;
    // Runs Drop as a click of the Drop button would.
    virtual void runDrop() = 0;
};

}  // namespace parlino
