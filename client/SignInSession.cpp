#include "client/SignInSession.h"

#include "client/ConnectionSettings.h"
#include "common/MessageFraming.h"
#include "common/SignallingCatalogue.h"
#include "platform/core/IniFile.h"

#include <QFile>
#include <QTimer>

#include <cerrno>
#include <iostream>
#include <stdexcept>

namespace parlino {

namespace {

constexpr int MaxPasswordLength = 20;

std::int32_t decimalInteger(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        throw std::runtime_error("'" + text.toStdString() + "' is not a valid integer value");
    return value;
}

void writeClientIdFile(const QString& path, const QString& clientId)
{
    QFile file(path);
    const QByteArray line = clientId.toLatin1() + '\n';
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(line) != line.size()
        || !file.flush())
        throw std::runtime_error("Cannot create file \"" + path.toStdString() + "\"");
}

}  // namespace

SignInSession::SignInSession(tcp::ClientWinSocket& socket, VoiceHandles& voice, CallState& state,
                             std::int32_t& ownClientID, SignInView& view, QString iniPath,
                             QString clientIdPath)
    : socket_(socket)
    , voice_(voice)
    , state_(state)
    , OwnClientID(ownClientID)
    , view_(view)
    , iniPath_(std::move(iniPath))
    , clientIdPath_(std::move(clientIdPath))
{
}

bool SignInSession::ConnectToServer()
{
    IniFile ini(iniPath_.toStdString());
    ConnectionSettings settings = ConnectionSettings::read(ini);

    ConnectionDialogFields fields;
    fields.hostName = settings.hostName;
    fields.ipAddress = settings.ipAddress;
    fields.selectedIndex = settings.selectedIndex;
    fields.tcpPort = QString::number(settings.tcpPort);
    fields.udpBase = QString::number(UdpBasePort);
    fields.udpMax = QString::number(UdpMaxPort);
    fields.socketCount = QString::number(VoiceSocketCount);
    fields.clientId = QString::number(OwnClientID);
    fields.password = OwnPassword;
    fields.newPassword = NewPassword;
    dialogOpen_ = true;
    const bool ok = view_.runConnectionDialog(fields);
    dialogOpen_ = false;
    // The dialog writes the passwords back whatever the subscriber chose.
    OwnPassword = fields.password;
    NewPassword = fields.newPassword;
    if (!ok) {
        view_.terminateApplication();
        return false;
    }

    settings.tcpPort = decimalInteger(fields.tcpPort);
    settings.hostName = fields.hostName;
    settings.ipAddress = fields.ipAddress;
    settings.selectedIndex = fields.selectedIndex;
    settings.write(ini);
    writeClientIdFile(clientIdPath_, fields.clientId);
    OwnClientID = decimalInteger(fields.clientId);

    if (socket_.active())
        socket_.close();
    if (settings.selectedIndex != 0) {
        socket_.setHost(settings.hostName);
        socket_.setAddress(QString());
    } else {
        socket_.setHost(QString());
        socket_.setAddress(settings.ipAddress);
    }
    socket_.setPort(static_cast<quint16>(settings.tcpPort));
    socket_.open();

    UdpBasePort = decimalInteger(fields.udpBase);
    UdpMaxPort = decimalInteger(fields.udpMax);
    VoiceSocketCount = decimalInteger(fields.socketCount);
    view_.setCallButtonsEnabled(false);
    return true;
}

void SignInSession::requestConnect()
{
    if (connectBusy_)
        return;
    connectBusy_ = true;
    later([this] { runConnectSequence(); });
}

void SignInSession::runConnectSequence()
{
    try {
        ConnectToServer();
    } catch (const std::exception& e) {
        reportException(QString::fromStdString(e.what()));
    }
    connectBusy_ = false;
}

void SignInSession::socketLookup()
{
    view_.addLogEntry(QStringLiteral(" Parlino Server lookup started..."));
}

void SignInSession::socketConnecting()
{
    view_.addLogEntry(QStringLiteral(" Connecting to the server..."));
}

void SignInSession::socketConnected()
{
    // Bytes left from an earlier connection would corrupt the new stream.
    InBuffer.clear();
    repliesHeld_ = false;
    view_.addLogEntry(QStringLiteral(" Connected to the server"));
    view_.addLogEntry(QStringLiteral(" Logging in..."));
    try {
        const std::string local = socket_.localAddress().toStdString();
        bindVoiceSocket(voice_.VoiceReceiveHandle, VoiceReceivePort, local);
        for (int i = 0; i < VoiceSocketCount && i < ClientVoiceSocketCount; ++i)
            bindVoiceSocket(voice_.VoiceSendHandles[static_cast<std::size_t>(i)],
                            VoiceSendPorts[static_cast<std::size_t>(i)], local);
    } catch (const std::exception& e) {
        // Not signed in; the connection stays open.
        reportException(QString::fromStdString(e.what()));
        return;
    }
    OwnPassword.truncate(MaxPasswordLength);
    NewPassword.truncate(MaxPasswordLength);
    // Passwords travel as single-byte text, as the server stores them.
    OutBuffer = BuildMessage(Letter::LoginRequest, 4,
                             {VoiceReceivePort, OwnClientID, OwnPassword.toLatin1().toStdString(),
                              NewPassword.toLatin1().toStdString()});
    SendWhole(OutBuffer, [this](std::string_view bytes) { return socket_.sendText(bytes); });
}

void SignInSession::bindVoiceSocket(net::UdpSocket& handle, std::int32_t& port,
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

void SignInSession::socketDisconnected()
{
    view_.addLogEntry(QStringLiteral(" Disconnected from the server"));
    // The server went away in order: what the connection carried ends as after a socket
    // error, and the Connection dialog offers the next sign-in. There is no error to show.
    endConnection();
    requestConnect();
}

void SignInSession::endConnection()
{
    ++state_.ConnectionsEnded;
    state_.ErrorDrop = true;
    view_.runDrop();
    state_.ErrorDrop = false;
}

void SignInSession::socketError(int& errorCode)
{
    const QString text = QStringLiteral("Socket error (%1)").arg(errorCode);
    view_.addLogEntry(QStringLiteral(" ") + text);
    endConnection();
    errorCode = 0;
    // The box and the dialog come once this event has returned. A dialog already open or
    // on its way serves this error too.
    const bool opensDialog = !connectBusy_;
    connectBusy_ = true;
    later([this, text, opensDialog] {
        view_.showError(text);
        if (opensDialog)
            runConnectSequence();
    });
}

void SignInSession::socketRead()
{
    InBuffer += socket_.receiveText(ReadSliceBytes);
    if (!repliesHeld_)
        dispatchReplies();
    // Only a text count that no server of this protocol sends lets the buffer grow this
    // far: the connection is given up as after a socket error.
    if (InBuffer.size() > MaxUnhandledInput) {
        InBuffer.clear();
        giveUpConnection(EMSGSIZE);
    }
}

void SignInSession::giveUpConnection(int errorCode)
{
    socket_.close();
    socketError(errorCode);
}

void SignInSession::dispatchReplies()
{
    bool givenUp = false;
    const auto onMessage = [this, &givenUp](char letter, const MessageValues& values) {
        switch (letter) {
        case Letter::LoginAccepted:
            givenUp = !LoginAccepted(ValueAs<std::int32_t>(values, 0));
            return !givenUp;
        case Letter::LoginRefused:
            return LoginRefused();
        default:
            break;
        }
        // A message whose handling fails is lost; the bytes behind it are handled now.
        try {
            if (onOtherMessage)
                onOtherMessage(letter, values);
        } catch (const std::exception& e) {
            reportException(QString::fromStdString(e.what()));
        }
        return true;
    };
    const auto onUnknown = [this](char byte) {
        // One allocation per byte: a junk burst brings millions of these.
        QString entry = QStringLiteral(" ?: unknown command");
        entry[1] = QChar::fromLatin1(byte);
        view_.addLogEntry(entry);
    };
    DrainMessages(InBuffer, &ClientReadFields, onMessage, onUnknown);
    // What came behind belongs to the connection given up.
    if (givenUp)
        InBuffer.clear();
}

bool SignInSession::LoginAccepted(std::int32_t serverPort)
{
    if (!state_.Idle())
        return true;
    // No voice can reach a port outside 1..65535: the server is given up as after an error.
    if (serverPort < 1 || serverPort > 65535) {
        giveUpConnection(EPROTO);
        return false;
    }
    try {
        const std::string server = socket_.remoteAddress().toStdString();
        for (int i = 0; i < VoiceSocketCount && i < ClientVoiceSocketCount; ++i) {
            net::UdpSocket& handle = voice_.VoiceSendHandles[static_cast<std::size_t>(i)];
            handle.setPeer(server, static_cast<std::uint16_t>(serverPort));
            handle.connect();
        }
    } catch (const std::exception& e) {
        reportException(QString::fromStdString(e.what()));
        return true;
    }
    view_.addLogEntry(QStringLiteral(" Logged in successfully"));
    view_.setCallButtonsEnabled(true);
    view_.minimizeApplication();
    return true;
}

bool SignInSession::LoginRefused()
{
    if (!state_.Idle())
        return true;
    const bool opensDialog = !connectBusy_;
    connectBusy_ = true;
    repliesHeld_ = opensDialog;
    later([this, opensDialog] {
        view_.showError(QStringLiteral("Password inconsistent with Client_ID\r\nor IP address of this computer"));
        if (!opensDialog)
            return;
        bool goOn = true;
        try {
            goOn = ConnectToServer();
        } catch (const std::exception& e) {
            reportException(QString::fromStdString(e.what()));
        }
        connectBusy_ = false;
        repliesHeld_ = false;
        if (!goOn) {
            // The program is ending: what came behind the refusal is not handled.
            InBuffer.clear();
            return;
        }
        dispatchReplies();
    });
    return !opensDialog;
}

void SignInSession::later(std::function<void()> call)
{
    QTimer::singleShot(0, &context_, std::move(call));
}

void SignInSession::reportException(const QString& message)
{
    std::cerr << message.toStdString() << std::endl;
    later([this, message] { view_.showException(message); });
}

}  // namespace parlino
