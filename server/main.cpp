// ParlinoServer: the operator's switch, run from its window on the tables of the current
// directory, with its settings in "ParlinoServer.ini" beside the program.
#include "platform/core/ResourceLimits.h"
#include "server/DataUnit2.h"
#include "server/SubscriberCapacity.h"
#include "server/ZeltServerUnit1.h"

#include <QApplication>
#include <QTimer>

namespace parlino {

int ParlinoServerMain(int argc, char** argv)
{
    // Every signed-in subscriber holds nine voice sockets: 900 of them need over 9,000.
    long fileLimit = RaiseOpenFileLimit();
    if (fileLimit < 0)
        fileLimit = openFileLimit();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ParlinoServer"));
    // The window spends most of its life hidden, so a message box can be the only window
    // shown; closing it must not end the program. Closing the window does.
    QApplication::setQuitOnLastWindowClosed(false);
    // The store outlives the window, whose grids are bound to its tables.
    TDataModule2 store;
    TZeltServerForm1 window(store);
    QObject::connect(&window, &TZeltServerForm1::Closed, &application, &QCoreApplication::quit);
    if (const QString warning = capacityWarning(fileLimit); !warning.isEmpty())
        window.showCapacityWarning(warning);
    window.StartInTray();
    // One second from now the tables are loaded and the server started.
    window.Timer2->start();
    return QApplication::exec();
}

}  // namespace parlino

int main(int argc, char** argv)
{
    return parlino::ParlinoServerMain(argc, argv);
}
