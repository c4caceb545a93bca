// The signalling side of the operator window: connections, the read event and its
// dispatch, sign-in, the call checks, the relays, the price offer, the disconnect and
// "Send Info".
#include "server/ZeltServerUnit1.h"

#include "common/AccountNumbers.h"
#include "common/MessageFraming.h"
#include "platform/ui/ErrorDisplay.h"
#include "platform/ui/GuardedCall.h"
#include "server/CriticalFix.h"
#include "server/DataUnit2.h"
#include "server/Money.h"
#include "server/StoreLayouts.h"
#include "server/StoreScopes.h"
#include "server/ZeltServerClientWinSocket.h"
#include "server/TalkRecord.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QThread>
#include <QTimer>

namespace parlino {

void TZeltServerForm1::CreateSignalling()
{
    ServerSocket1 = new tcp::ServerWinSocket(this);
    ServerSocket1->OnGetSocket = [this](QTcpSocket* socket) { return ServerSocket1GetSocket(socket); };
    ServerSocket1->OnClientRead = [this](tcp::ServerClientWinSocket& c) { ServerSocket1ClientRead(c); };
    ServerSocket1->OnClientDisconnect = [this](tcp::ServerClientWinSocket& c) {
        ServerSocket1ClientDisconnect(c);
    };
    // A full descriptor table: the socket waits and tries again; the operator is told.
    ServerSocket1->onAcceptError = [this](const QString& error) { errors_->postError(error); };
    connect(BitBtn29, &QPushButton::clicked, this, &TZeltServerForm1::BitBtn29Click);
}

std::unique_ptr<tcp::ServerClientWinSocket> TZeltServerForm1::ServerSocket1GetSocket(QTcpSocket* socket)
{
    return std::make_unique<TZeltServerClientWinSocket>(socket);
}

void TZeltServerForm1::ServerSocket1ClientRead(tcp::ServerClientWinSocket& socket)
{
    auto& connection = static_cast<TZeltServerClientWinSocket&>(socket);
    // While a backlog waits for its continuation, new bytes stay with the socket.
    if (!connection.inputPending)
        handleInput(connection);
}

void TZeltServerForm1::handleInput(TZeltServerClientWinSocket& connection)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point sliceEnd = Clock::now() + InputTimeSlice;
    bool sliceUsed = false;
    // Bytes are taken in only as fast as they are handled: a peer that sends faster than
    // that is held back by its own connection instead of growing our buffer.
    do {
        if (connection.InBuffer.size() <= MaxUnhandledInput)
            connection.InBuffer += connection.ReceiveAll();
        // A message whose handling fails is lost; the bytes behind it are handled now, since
        // no further read event may come for them. The error is shown once this event is over.
        DrainMessages(
            connection.InBuffer, &ServerReadFields, [&](char letter, const MessageValues& values) {
                ui::runGuarded(*errors_, [&] { HandleClientMessage(connection, letter, values); });
                sliceUsed = Clock::now() >= sliceEnd;
                return !sliceUsed && !connection.overflowed();
            });
    } while (!sliceUsed && !connection.overflowed() &&
             connection.InBuffer.size() <= MaxUnhandledInput && connection.bytesAvailable() > 0);
    if (connection.overflowed()) {
        // Closed for the replies it left unread: the rest of what it sent is not served.
        connection.InBuffer.clear();
        return;
    }
    if (sliceUsed) {
        // The other connections' events come first; the continuation dies with the
        // connection object.
        connection.inputPending = true;
        QTimer::singleShot(0, &connection, [this, &connection] {
            connection.inputPending = false;
            handleInput(connection);
        });
        return;
    }
    // Only a text count that no peer of this protocol sends lets the buffer grow this far.
    if (connection.InBuffer.size() > MaxUnhandledInput) {
        connection.InBuffer.clear();
        connection.Close();
    }
}

void TZeltServerForm1::HandleClientMessage(TZeltServerClientWinSocket& connection, char letter,
                                           const MessageValues& values)
{
    switch (letter) {
    case Letter::LoginRequest:
        SignIn(connection, values);
        break;
    case Letter::CallRequest:
    case Letter::OutsideCallRequest:
    case Letter::OrderQuery:
    case Letter::OrderPlace:
        CheckAndForwardCall(connection, letter, values);
        break;
    case Letter::PriceOffer:
        OfferPrice(connection, values);
        break;
    case Letter::TalkStart:
        TalkStart(connection, values);
        break;
    case Letter::TalkEnd:
        TalkEnd(connection, values);
        break;
    case Letter::CardTopUp:
        TopUp(connection, values);
        break;
    case Letter::BalanceRequest:
        ReportBalance(connection);
        break;
    default:
        RelayToTarget(connection, letter, values);
        break;
    }
}

void TZeltServerForm1::SignIn(TZeltServerClientWinSocket& connection, const MessageValues& values)
{
    const std::int32_t voicePort = ValueAs<std::int32_t>(values, 0);
    const std::int32_t id = ValueAs<std::int32_t>(values, 1);
    const std::string password = ValueAs<std::string>(values, 2);
    const std::string newPassword = ValueAs<std::string>(values, 3);
    if (!VoiceSocketTables::inRange(id)) {
        // No table has a slot for it, so no account has it: refused like an unknown one.
        Reply(connection, Letter::LoginRefused);
        return;
    }

    dataset::Dataset& users = Store().ClientDataSet1;
    std::optional<std::uint16_t> receivePort;
    bool refused = false;
    {
        FrozenViews frozen{&users};
        QThread::yieldCurrentThread();
        WriteLockGuard lock(TalkLock);

        if (!Store().GotoClient(UsersKeyed, id)) {
            refused = true;
        } else if (users.FieldByName("Status").AsText() == StatusBanned) {
            return;
        } else if (users.FieldByName("Password").AsText() != password
                   || users.FieldByName("IP_Address").AsText() != connection.RemoteAddress().toStdString()
                   || newPassword.find('\0') != std::string::npos) {
            // critical.fix ends a text at its first NUL: such a password would sign in
            // today and, after the next reload, only with the part before the NUL.
            refused = true;
        } else {
            // Opened only for an accepted sign-in: a refusal costs no file.
            FixRecordFile fix(CriticalFixPath, FixRecordFile::Mode::Write);
            connection.Client_ID = id;
            ClientSockets[static_cast<std::size_t>(id - 1)] = &connection;
            callAnswers_.forget(id);  // a phone that signs in rings for nobody
            users.Edit();
            if (!newPassword.empty()) {
                dataset::Field& field = users.FieldByName("Password");
                field.SetAsText(newPassword);
                fix.Seek(FixRecordOffset(id));
                WriteFixField(fix, field, false);
            }
            dataset::Field& status = users.FieldByName("Status");
            status.SetAsText(StatusOnline);
            fix.Seek(FixRecordOffset(id) + FixStatusOffset);
            WriteFixField(fix, status, false);
            users.Post();

            if (voicePort < 0 || voicePort > 0xFFFF)
                throw std::runtime_error("Sign-in of " + std::to_string(id) + " names no UDP port: "
                                         + std::to_string(voicePort));
            receivePort = voiceSockets_.replaceVoiceSockets(
                id, connection.LocalAddress().toStdString(), connection.RemoteAddress().toStdString(),
                static_cast<std::uint16_t>(voicePort));
        }
    }
    if (refused)
        Reply(connection, Letter::LoginRefused);
    else if (receivePort)
        Reply(connection, Letter::LoginAccepted, 1, {static_cast<std::int32_t>(*receivePort)});
}

void TZeltServerForm1::CheckAndForwardCall(TZeltServerClientWinSocket& connection, char letter,
                                           const MessageValues& values)
{
    const std::int32_t sender = connection.Client_ID;
    const std::int32_t target = ValueAs<std::int32_t>(values, 0);
    if (letter == Letter::CallRequest || letter == Letter::OutsideCallRequest)
        callAnswers_.forget(sender);
    std::optional<char> refusal;
    bool passed = false;
    {
        dataset::Dataset& users = Store().ClientDataSet1;
        FrozenViews frozen{&users};
        if (!Store().GotoClient(UsersKeyed, sender) || users.FieldByName("Status").AsText() != StatusOnline)
            return;
        if (!hasFunds(users.FieldByName("Balance").AsFloat())) {
            refusal = Letter::NoFunds;
        } else if (!VoiceSocketTables::inRange(target) || !Store().GotoClient(UsersKeyed, target)) {
            refusal = Letter::NoSuchUser;
        } else {
            const std::string status = users.FieldByName("Status").AsText();
            if (status == StatusOffline || status == StatusBanned)
                refusal = Letter::PeerUnavailable;
            else if (status != StatusOnline)
                return;
            else if (!hasFunds(users.FieldByName("Balance").AsFloat()))
                refusal = Letter::PeerNoFunds;
            else
                passed = true;
        }
    }
    if (refusal) {
        Reply(connection, *refusal);
        return;
    }
    if (!passed)
        return;
    // The target learns who calls: the sender's number stands where the target's stood.
    MessageValues forwarded = values;
    forwarded[0] = sender;
    const int fieldCount = static_cast<int>(ServerReadFields(letter)->size());
    Deliver(target, letter, fieldCount, forwarded);
}

void TZeltServerForm1::RelayToTarget(TZeltServerClientWinSocket& connection, char letter,
                                     const MessageValues& values)
{
    const std::int32_t sender = connection.Client_ID;
    const std::int32_t target = ValueAs<std::int32_t>(values, 0);
    switch (letter) {
    case Letter::AnswerCall:
        callAnswers_.answered(sender, target);
        Deliver(target, letter);
        break;
    case Letter::CallCancel: {
        callAnswers_.forget(sender);
        // Its "T" would end the target's talk on his phone: only a party of it may.
        const TTalkRecord* talk = talkOf(target);
        if (talk == nullptr || talk->Payer == sender || talk->Peer == sender)
            Deliver(target, Letter::CallDropped);
        break;
    }
    case Letter::DtmfDigits:
        Deliver(target, letter, 1, {values[1]});
        break;
    case Letter::OrderTable:
        Deliver(target, letter, 2, {values[1], ValueAs<double>(values, 2)});
        break;
    default:  // "F", "B", "A", "L", "w", "0" arrive as the bare letter
        Deliver(target, letter);
        break;
    }
}

void TZeltServerForm1::OfferPrice(TZeltServerClientWinSocket& connection, const MessageValues& values)
{
    const std::int32_t target = ValueAs<std::int32_t>(values, 0);
    const std::int32_t sender = connection.Client_ID;
    double price = ValueAs<double>(values, 2);
    if (isOutsideLine(sender)) {
        // A price that cannot be charged is not taken: the line keeps its last one, and
        // that is the price the target hears.
        double& linePrice = LinePrices[outsideLineSlot(sender)];
        if (isAcceptablePrice(price))
            linePrice = price;
        price = linePrice;
    }
    Deliver(target, Letter::PriceOffer, 3, {values[1], price, ValueAs<bool>(values, 3)});
}

void TZeltServerForm1::ServerSocket1ClientDisconnect(tcp::ServerClientWinSocket& socket)
{
    auto& connection = static_cast<TZeltServerClientWinSocket&>(socket);
    // Closing the listening socket closes every connection; statuses stay as they are until
    // the next Start Server resets them.
    if (closingListener_)
        return;
    // A subscriber who has signed in again on a newer connection is still online there.
    if (connection.Client_ID == 0 || ConnectionOf(connection.Client_ID) != &connection)
        return;
    ui::runGuarded(*errors_, [&] {
        FixRecordFile fix(CriticalFixPath, FixRecordFile::Mode::Write);
        dataset::Dataset& users = Store().ClientDataSet1;
        FrozenViews frozen{&users};
        if (!users.Active() || !Store().GotoClient(UsersKeyed, connection.Client_ID))
            return;
        users.Edit();
        dataset::Field& status = users.FieldByName("Status");
        status.SetAsText(StatusOffline);
        fix.Seek(FixRecordOffset(connection.Client_ID) + FixStatusOffset);
        WriteFixField(fix, status, false);
        users.Post();
    });
}

void TZeltServerForm1::BitBtn29Click()
{
    const QByteArray firstLine = Memo2->text().section(QLatin1Char('\n'), 0, 0).toLatin1();
    for (int i = 0; i < ServerSocket1->ActiveConnections(); ++i)
        SendMessageTo(ServerSocket1->Connections(i), Letter::InfoMessage, 1, {firstLine.toStdString()});
}

void TZeltServerForm1::closeListeningSocket()
{
    const QScopedValueRollback closing(closingListener_, true);
    ServerSocket1->Close();
}

TZeltServerClientWinSocket* TZeltServerForm1::ConnectionOf(std::int32_t clientId) const
{
    if (!VoiceSocketTables::inRange(clientId))
        return nullptr;
    return ClientSockets[static_cast<std::size_t>(clientId - 1)].data();
}

void TZeltServerForm1::Reply(TZeltServerClientWinSocket& connection, char letter, int count,
                             const MessageValues& values)
{
    SendMessageTo(&connection, letter, count, values);
}

void TZeltServerForm1::Deliver(std::int32_t clientId, char letter, int count, const MessageValues& values)
{
    SendMessageTo(ConnectionOf(clientId), letter, count, values);
}

void TZeltServerForm1::SendMessageTo(tcp::ServerClientWinSocket* connection, char letter, int count,
                                     const MessageValues& values)
{
    // Nobody signed in under that number, or the connection has gone: nothing to send to.
    if (connection == nullptr || !connection->Connected())
        return;
    OutBuffer = BuildMessage(letter, count, values);
    SendWhole(OutBuffer, [connection](std::string_view bytes) { return connection->SendBuf(bytes); });
}

}  // namespace parlino
