// ParlinoClient: the subscriber's softphone, run from the folder that holds its own number
// ("ClientID.txt"), its contacts and "silence.wav", with its settings in "ParlinoClient.ini"
// beside the program.
#include "client/ZeltClientUnit1.h"

#include <QApplication>

namespace parlino {

int ParlinoClientMain(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ParlinoClient"));
    // Hidden in the notification area, a message box can be the only window shown; closing
    // it must not end the program. Closing the window does.
    QApplication::setQuitOnLastWindowClosed(false);
    TZeltClientForm1 window;
    QObject::connect(&window, &TZeltClientForm1::Closed, &application, &QCoreApplication::quit);
    window.show();
    return QApplication::exec();
}

}  // namespace parlino

int main(int argc, char** argv)
{
    return parlino::ParlinoClientMain(argc, argv);
}
