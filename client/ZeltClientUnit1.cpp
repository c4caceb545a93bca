// The softphone window's life: start-up, the log and information memo, the menu actions,
// the exception display, close and destruction.
#include "client/ZeltClientUnit1.h"

#include "client/BoundedLog.h"
#include "client/BoutUnit1.h"
#include "client/ContUnit1.h"
#include "client/ExceptionRules.h"
#include "client/LogLines.h"
#include "platform/ui/ErrorDisplay.h"
#include "platform/ui/FormHook.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <stdexcept>

namespace parlino {

TZeltClientForm1::TZeltClientForm1(ClientSetup setup, QWidget* parent)
    : QMainWindow(parent), setup_(std::move(setup)), shared_(setup_.audioDevices),
      errors_(new ui::ErrorDisplay(this)),
      exceptionHandler_([this](QWidget* control, const std::exception& error) {
          ApplicationEvents1Exception(control, error);
      })
{
    if (!setup_.openDocument)
        setup_.openDocument = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    errors_->setDefaultOwner(this);
    CreateControls();
    log_ = std::make_unique<BoundedLog>(*Memo2);
    information_ = std::make_unique<BoundedLog>(*Memo1, BoundedLog::Information);
    CreateMenus();
    CreateTray();
    CreateConnection();
    CreateCalls();
    CreateMoney();
    connect(BitBtn1, &QPushButton::clicked, this, &TZeltClientForm1::BitBtn1Click);
    connect(Timer3, &QTimer::timeout, this, &TZeltClientForm1::Timer3Timer);
    FormCreate();
    Timer3->start();
}

TZeltClientForm1::~TZeltClientForm1()
{
    FormDestroy();
}

void TZeltClientForm1::FormCreate()
{
    // Every step runs whatever an earlier one gave; each failure is shown on its own.
    for (const QString& failure : StartUpClient(shared_, setup_.files))
        ApplicationEvents1Exception(nullptr, std::runtime_error(failure.toStdString()));
}

bool TZeltClientForm1::FormCloseQuery()
{
    calls_->dropBeforeClose();
    shared_.voiceHandles.VoiceReceiveHandle.close();
    for (net::UdpSocket& handle : shared_.voiceHandles.VoiceSendHandles)
        handle.close();
    if (ClientSocket1->active())
        ClientSocket1->close();
    return true;
}

void TZeltClientForm1::FormDestroy()
{
    // The shared objects go with the window; the voice threads using them were stopped by
    // the close query's drop.
    Timer1->stop();
    Timer2->stop();
    Timer3->stop();
}

void TZeltClientForm1::BitBtn1Click()
{
    Memo2->clear();
}

void TZeltClientForm1::Action1Execute()
{
    // Only the updated list matters here; the contact picked is for the Dialing dialog.
    std::int32_t picked = 0;
    TContForm contacts(picked, shared_.Contacts, setup_.files.contactsFile, this);
    ui::ExecForm(contacts);
}

void TZeltClientForm1::Action2Execute()
{
    close();
}

void TZeltClientForm1::Action3Execute()
{
    // The desktop's handlers take absolute paths only.
    const QString path = QDir::current().absoluteFilePath(QStringLiteral("../Help/help.html"));
    setup_.openDocument(QUrl::fromLocalFile(QDir::cleanPath(path)));
}

void TZeltClientForm1::Action5Execute()
{
    TBoutForm about(this);
    ui::ExecForm(about);
}

void TZeltClientForm1::Timer3Timer()
{
    if (!Timer3->isActive())
        return;
    Timer3->stop();
    emit ConnectSequenceDue();
    // The Connection dialog opens once this timer event has returned.
    signIn_->requestConnect();
}

void TZeltClientForm1::AddLogEntry(const QString& text)
{
    log_->add(text);
}

void TZeltClientForm1::InfoMessage(const QString& text)
{
    information_->add(text);
}

void TZeltClientForm1::ApplicationEvents1Exception(QWidget* control, const std::exception& error)
{
    // Shown once the handler that raised the error has returned, never inside it, over the
    // form of the control concerned; without one, over the dialog at work or this window.
    const ExceptionResponse response = ChooseExceptionResponse(control, error);
    QWidget* owner = control ? control->window() : nullptr;
    if (response.standard)
        errors_->post(response.text, QApplication::applicationName(), ui::DialogIcon::Error, owner);
    else
        errors_->post(response.text, response.caption, ui::DialogIcon::Error, owner);
    if (response.deleteTypedChar && control) {
        QCoreApplication::postEvent(
            control, new QKeyEvent(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier));
        QCoreApplication::postEvent(
            control, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Backspace, Qt::NoModifier));
    }
}

void TZeltClientForm1::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    emit Closed();
}

}  // namespace parlino
