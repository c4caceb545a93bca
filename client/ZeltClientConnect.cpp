// The softphone window's part in the connect sequence and the sign-in: the signalling
// socket's events, and what the sign-in shows on the window. The work is SignInSession's.
#include "client/ZeltClientUnit1.h"

#include "client/BoundedLog.h"
#include "client/ConnUnit1.h"
#include "client/ConnectionSettings.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/FormHook.h"

#include <QApplication>
#include <QPushButton>

#include <stdexcept>

namespace parlino {

namespace {

class WindowSignInView : public SignInView {
public:
    WindowSignInView(TZeltClientForm1& window, std::function<void()> terminate)
        : window_(window), terminate_(std::move(terminate))
    {
    }

    void addLogEntry(const QString& text) override { window_.AddLogEntry(text); }

    bool runConnectionDialog(ConnectionDialogFields& f) override
    {
        TConnForm form(f.hostName, f.ipAddress, f.selectedIndex, f.tcpPort, f.udpBase, f.udpMax,
                       f.socketCount, f.clientId, f.password, f.newPassword);
        return ui::ExecForm(form) == QDialog::Accepted;
    }

    void showError(const QString& text) override
    {
        ui::ShowMessage(text, QStringLiteral("Error"), ui::DialogButtons::Ok, ui::DialogIcon::Error);
    }

    void showException(const QString& message) override
    {
        window_.ApplicationEvents1Exception(nullptr, std::runtime_error(message.toStdString()));
    }

    void setCallButtonsEnabled(bool enabled) override
    {
        for (QPushButton* button : {window_.BitBtn2, window_.BitBtn3, window_.BitBtn4})
            button->setEnabled(enabled);
    }

    void minimizeApplication() override { window_.showMinimized(); }

    void terminateApplication() override { terminate_(); }

    void runDrop() override { window_.BitBtn4Click(); }

private:
    TZeltClientForm1& window_;
    std::function<void()> terminate_;
};

}  // namespace

void TZeltClientForm1::CreateConnection()
{
    ClientSocket1 = new tcp::ClientWinSocket(this);
    std::function<void()> terminate = setup_.terminate;
    if (!terminate)
        terminate = [] { QCoreApplication::quit(); };
    signInView_ = std::make_unique<WindowSignInView>(*this, std::move(terminate));
    signIn_ = std::make_unique<SignInSession>(
        *ClientSocket1, shared_.voiceHandles, shared_.callState, shared_.OwnClientID, *signInView_,
        setup_.iniFile.isEmpty() ? programIniPath() : setup_.iniFile, setup_.files.clientIdFile);
    ClientSocket1->onLookup = [this] { ClientSocket1Lookup(); };
    ClientSocket1->onConnecting = [this] { ClientSocket1Connecting(); };
    ClientSocket1->onConnect = [this] { ClientSocket1Connect(); };
    ClientSocket1->onDisconnect = [this] { ClientSocket1Disconnect(); };
    ClientSocket1->onRead = [this] { ClientSocket1Read(); };
    ClientSocket1->onError = [this](int& code) { ClientSocket1Error(code); };
}

bool TZeltClientForm1::ConnectToServer()
{
    return signIn_->ConnectToServer();
}

void TZeltClientForm1::ClientSocket1Lookup()
{
    signIn_->socketLookup();
}

void TZeltClientForm1::ClientSocket1Connecting()
{
    signIn_->socketConnecting();
}

void TZeltClientForm1::ClientSocket1Connect()
{
    signIn_->socketConnected();
}

void TZeltClientForm1::ClientSocket1Disconnect()
{
    signIn_->socketDisconnected();
}

void TZeltClientForm1::ClientSocket1Error(int& ErrorCode)
{
    signIn_->socketError(ErrorCode);
}

void TZeltClientForm1::ClientSocket1Read()
{
    // A slice of input may bring thousands of entries: they go into each memo at once.
    LogHold holdLog(*log_);
    LogHold holdInformation(*information_);
    signIn_->socketRead();
}

}  // namespace parlino
