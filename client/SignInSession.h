// The softphone's way from start-up to a signed-in subscriber, and back there after every
// failure: the connect sequence with the Connection dialog, the socket's events, the binding
// of the voice sockets and the sign-in with its two replies.
//
// The Connection dialog and the message boxes are never opened inside a socket or timer
// event: the events hand them to the event loop and return. Only one Connection dialog is
// open at a time; a failure that comes while one is open or about to open is logged and
// shown, and the dialog already there serves for it. A server that closes the connection
// in order is recovered from as from a socket error, without the box.
//
// A read event takes at most ReadSliceBytes off the socket and handles what they complete;
// the rest waits in the socket for the next event, so that the window keeps answering
// while a burst drains.
#pragma once

#include "client/CallState.h"
#include "client/SignInView.h"
#include "client/VoiceHandles.h"
#include "common/ZeltUtils.h"
#include "platform/net/UdpSocket.h"
#include "platform/tcp/ClientWinSocket.h"

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>

namespace parlino {

class SignInSession {
public:
    // ownClientID: the program's own number, which the connect sequence sets; iniPath: the
    // program's settings file; clientIdPath: where the own number is kept.
    SignInSession(tcp::ClientWinSocket& socket, VoiceHandles& voice, CallState& state,
                  std::int32_t& ownClientID, SignInView& view, QString iniPath, QString clientIdPath);
    SignInSession(const SignInSession&) = delete;
    SignInSession& operator=(const SignInSession&) = delete;

    // The connect sequence: settings, Connection dialog, then the socket opening. False
    // when the subscriber chose "Exit" and the application has been told to end.
    // Throws std::runtime_error when the settings or the own number cannot be stored, or
    // the Client ID is no number; the socket is then left as it was.
    bool ConnectToServer();
    // Runs the connect sequence once the current event has returned, unless a Connection
    // dialog is already open or on its way. Errors it raises go to the error display.
    void requestConnect();

    // The socket's events.
    void socketLookup();
    void socketConnecting();
    void socketConnected();
    void socketDisconnected();
    void socketError(int& errorCode);
    // Takes what the socket received into InBuffer and handles the sign-in replies in it.
    void socketRead();

    // False when the port is none (outside 1..65535): the connection has been given up as
    // after a socket error.
    bool LoginAccepted(std::int32_t serverPort);
    // False when the rest of InBuffer must wait (the refusal is being told).
    bool LoginRefused();

    // Drains InBuffer, handing every other message to this handler (none: consumed).
    std::function<void(char letter, const MessageValues& values)> onOtherMessage;

    QString OwnPassword;
    QString NewPassword;
    // Ports the voice sockets are bound to, kept for every later sign-in of the run;
    // 0 lets the system choose.
    std::int32_t VoiceReceivePort = 0;
    std::array<std::int32_t, ClientVoiceSocketCount> VoiceSendPorts{};
    std::int32_t UdpBasePort = 0;
    std::int32_t UdpMaxPort = 0;
    std::int32_t VoiceSocketCount = ClientVoiceSocketCount;
    ByteString InBuffer;
    ByteString OutBuffer;

    bool connectionDialogOpen() const { return dialogOpen_; }

    // What one read event takes off the socket: small enough that handling it keeps the
    // window answering, large enough that a burst of replies drains in few events.
    static constexpr std::size_t ReadSliceBytes = 64 * 1024;

private:
    void dispatchReplies();
    // A connection has gone: the call in progress is dropped without telling the server,
    // the buttons come back, and dialogs opened on it send nothing.
    void endConnection();
    void bindVoiceSocket(net::UdpSocket& handle, std::int32_t& port, const std::string& localAddress);
    // Runs `call` from the event loop, after the current event has returned.
    void later(std::function<void()> call);
    void runConnectSequence();
    // Closes the connection and recovers as from a socket error with this code.
    void giveUpConnection(int errorCode);
    void reportException(const QString& message);

    tcp::ClientWinSocket& socket_;
    VoiceHandles& voice_;
    CallState& state_;
    std::int32_t& OwnClientID;
    SignInView& view_;
    QString iniPath_;
    QString clientIdPath_;
    QObject context_;  // ties the calls handed to the event loop to this object's life
    // From a connect request until its dialog has closed and the socket is opening.
    bool connectBusy_ = false;
    bool dialogOpen_ = false;
    // The bytes behind a refusal wait until its Connection dialog has closed.
    bool repliesHeld_ = false;
};

}  // namespace parlino
