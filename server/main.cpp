// ParlinoServer: the operator's switch, run from its window on the tables of the current
// directory.
#include "platform/core/ResourceLimits.h"
#include "server/DataUnit2.h"
#include "server/ZeltServerUnit1.h"

#include <QApplication>

namespace parlino {

int ParlinoServerMain(int argc, char** argv)
{
    // Every signed-in subscriber holds nine voice sockets: 900 of them need over 8,000.
    RaiseOpenFileLimit();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ParlinoServer"));
    // The store outlives the window, whose grids are bound to its tables.
    TDataModule2 store;
    TZeltServerForm1 window(store);
    window.show();
    return QApplication::exec();
}

}  // namespace parlino

int main(int argc, char** argv)
{
    return parlino::ParlinoServerMain(argc, argv);
}
