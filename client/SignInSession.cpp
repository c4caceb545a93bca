#include "client/SignInSession.h"

#include "client/ConnectionSettings.h"
#include "common/MessageFraming.h"
#include "common/SignallingCatalogue.h"
#include "platform/core/IniFile.h"

#include <QFile>
#include <QTimer>

#include <iostream>
#include <stdexcept>

namespace parlino {

namespace {

constexpr int MaxPasswordLength = 20;

std::int32_t DecimalInteger(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        throw std::runtime_error("'" + text.toStdString() + "' is not a valid integer value");
    return value;
}

void WriteClientIdFile(const QString& path, const QString& clientId)
{
    QFile file(path);
    const QByteArray line = clientId.toLatin1() + '\n';
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(line) != line.size()
        || !file.flush())
        throw std::runtime_error("Cannot create file \"" + path.toStdString() + "\"");
}

}  // namespace

SignInSession::SignInSession(tcp::ClientWinSocket& socket, VoiceHandles& voice, CallState& state,
                             SignInView& view, QString iniPath, QString clientIdPath)
    : socket_(socket)
    , voice_(voice)
    , state_(state)
    , view_(view)
    , iniPath_(std::move(iniPath))
    , clientIdPath_(std::move(clientIdPath))
{
}

bool SignInSession::ConnectToServer()
{
    IniFile ini(iniPath_.toStdString());
    ConnectionSettings settings = ConnectionSettings::Read(ini);

    ConnectionDialogFields fields;
    fields.HostName = settings.HostName;
    fields.IpAddress = settings.IpAddress;
    fields.SelectedIndex = settings.SelectedIndex;
    fields.TcpPort = QString::number(settings.TcpPort);
    fields.UdpBase = QString::number(UdpBasePort);
    fields.UdpMax = QString::number(UdpMaxPort);
    fields.SocketCount = QString::number(VoiceSocketCount);
    fields.ClientId = QString::number(OwnClientID);
    fields.Password = OwnPassword;
    fields.NewPassword = NewPassword;
    dialogOpen_ = true;
    const bool ok = view_.runConnectionDialog(fields);
    dialogOpen_ = false;
    // The dialog writes the passwords back whatever the subscriber chose.
    OwnPassword = fields.Password;
    NewPassword = fields.NewPassword;
    if (!ok) {
        view_.terminateApplication();
        return false;
    }

    settings.TcpPort = DecimalInteger(fields.TcpPort);
    settings.HostName = fields.HostName;
    settings.IpAddress = fields.IpAddress;
    settings.SelectedIndex = fields.SelectedIndex;
    settings.Write(ini);
    WriteClientIdFile(clientIdPath_, fields.ClientId);
    OwnClientID = DecimalInteger(fields.ClientId);

    if (socket_.Active())
        socket_.Close();
    if (settings.SelectedIndex != 0) {
        socket_.setHost(settings.HostName);
        socket_.setAddress(QString());
    } else {
        socket_.setHost(QString());
        socket_.setAddress(settings.IpAddress);
    }
    socket_.setPort(static_cast<quint16>(settings.TcpPort));
    socket_.Open();

    UdpBasePort = DecimalInteger(fields.UdpBase);
    UdpMaxPort = DecimalInteger(fields.UdpMax);
    VoiceSocketCount = DecimalInteger(fields.SocketCount);
    view_.setCallButtonsEnabled(false);
    return true;
}

void SignInSession::RequestConnect()
{
    if (connectBusy_)
        return;
    connectBusy_ = true;
    Later([this] { RunConnectSequence(); });
}

void SignInSession::RunConnectSequence()
{
    try {
        ConnectToServer();
    } catch (const std::exception& e) {
        ReportException(QString::fromStdString(e.what()));
    }
    connectBusy_ = false;
}

void SignInSession::SocketLookup()
{
    view_.addLogEntry(QStringLiteral(" Parlino Server lookup started..."));
}

void SignInSession::SocketConnecting()
{
    view_.addLogEntry(QStringLiteral(" Connecting to the server..."));
}

void SignInSession::SocketConnected()
{
    // Bytes left from an earlier connection would corrupt the new stream.
    InBuffer.clear();
    repliesHeld_ = false;
    view_.addLogEntry(QStringLiteral(" Connected to the server"));
    view_.addLogEntry(QStringLiteral(" Logging in..."));
    try {
        const std::string local = socket_.LocalAddress().toStdString();
        BindVoiceSocket(voice_.VoiceReceiveHandle, VoiceReceivePort, local);
        for (int i = 0; i < VoiceSocketCount && i < ClientVoiceSocketCount; ++i)
            BindVoiceSocket(voice_.VoiceSendHandles[static_cast<std::size_t>(i)],
                            VoiceSendPorts[static_cast<std::size_t>(i)], local);
    } catch (const std::exception& e) {
        // Not signed in; the connection stays open.
        ReportException(QString::fromStdString(e.what()));
        return;
    }
    OwnPassword.truncate(MaxPasswordLength);
    NewPassword.truncate(MaxPasswordLength);
    OutBuffer = BuildMessage(Letter::LoginRequest, 4,
                             {VoiceReceivePort, OwnClientID, OwnPassword.toStdString(),
                              NewPassword.toStdString()});
    SendWhole(OutBuffer, [this](std::string_view bytes) { return socket_.SendText(bytes); });
}

void SignInSession::BindVoiceSocket(net::UdpSocket& handle, std::int32_t& port,
                                    const std::string& localAddress)
{
    handle.setLocalAddress(localAddress);
    handle.setLocalPort(static_cast<std::uint16_t>(port));
    try {
        handle.allocate();
        handle.bind();
    } catch (...) {
        // The port stays remembered for the next attempt; no half-made socket is left.
        handle.close();
        throw;
    }
    port = handle.boundPort();
}

void SignInSession::SocketDisconnected()
{
    view_.addLogEntry(QStringLiteral(" Disconnected from the server"));
}

void SignInSession::SocketError(int& errorCode)
{
    const QString text = QStringLiteral("Socket error (%1)").arg(errorCode);
    view_.addLogEntry(QStringLiteral(" ") + text);
    state_.ErrorDrop = true;
    view_.runDrop();
    state_.ErrorDrop = false;
    errorCode = 0;
    // The box and the dialog come once this event has returned. A dialog already open or
    // on its way serves this error too.
    const bool opensDialog = !connectBusy_;
    connectBusy_ = true;
    Later([this, text, opensDialog] {
        view_.showError(text);
        if (opensDialog)
            RunConnectSequence();
    });
}

void SignInSession::SocketRead()
{
    InBuffer += socket_.ReceiveText();
    if (!repliesHeld_)
        DispatchReplies();
}

void SignInSession::DispatchReplies()
{
    DrainMessages(InBuffer, &ClientReadFields, [this](char letter, const MessageValues& values) {
        switch (letter) {
        case Letter::LoginAccepted:
            LoginAccepted(ValueAs<std::int32_t>(values, 0));
            return true;
        case Letter::LoginRefused:
            return LoginRefused();
        default:
            return OnOtherMessage ? OnOtherMessage(letter, values) : true;
        }
    });
}

void SignInSession::LoginAccepted(std::int32_t serverPort)
{
    if (!state_.Idle())
        return;
    try {
        const std::string server = socket_.RemoteAddress().toStdString();
        for (int i = 0; i < VoiceSocketCount && i < ClientVoiceSocketCount; ++i) {
            net::UdpSocket& handle = voice_.VoiceSendHandles[static_cast<std::size_t>(i)];
            handle.setPeer(server, static_cast<std::uint16_t>(serverPort));
            handle.connect();
        }
    } catch (const std::exception& e) {
        ReportException(QString::fromStdString(e.what()));
        return;
    }
    view_.addLogEntry(QStringLiteral(" Logged in successfully"));
    view_.setCallButtonsEnabled(true);
    view_.minimizeApplication();
}

bool SignInSession::LoginRefused()
{
    if (!state_.Idle())
        return true;
    const bool opensDialog = !connectBusy_;
    connectBusy_ = true;
    repliesHeld_ = opensDialog;
    Later([this, opensDialog] {
        view_.showError(QStringLiteral("Password inconsistent with Client_ID\r\nor IP address of this computer"));
        if (!opensDialog)
            return;
        bool goOn = true;
        try {
            goOn = ConnectToServer();
        } catch (const std::exception& e) {
            ReportException(QString::fromStdString(e.what()));
        }
        connectBusy_ = false;
        repliesHeld_ = false;
        if (!goOn) {
            // The program is ending: what came behind the refusal is not handled.
            InBuffer.clear();
            return;
        }
        DispatchReplies();
    });
    return !opensDialog;
}

void SignInSession::Later(std::function<void()> call)
{
    QTimer::singleShot(0, &context_, std::move(call));
}

void SignInSession::ReportException(const QString& message)
{
    std::cerr << message.toStdString() << std::endl;
    Later([this, message] { view_.showException(message); });
}

}  // namespace parlino
