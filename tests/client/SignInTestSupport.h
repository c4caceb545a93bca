// A softphone without its window for the sign-in tests: the signalling socket, the voice
// sockets and the call state, with a window stand-in that records what it was told and
// answers the Connection dialog from a list of answers. The server's side is played by
// FakeServer.
#pragma once

#include "QtWait.h"

#include "client/SignInSession.h"
#include "common/MessageFraming.h"
#include "common/SignallingCatalogue.h"
#include "platform/core/IniFile.h"
#include "support/FakeServer.h"

#include <QDir>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <sys/socket.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace parlino::test {

using DialogAnswer = std::function<bool(ConnectionDialogFields&)>;

class RecordingView : public SignInView {
public:
    void addLogEntry(const QString& text) override { log.push_back(text); }
    bool runConnectionDialog(ConnectionDialogFields& fields) override
    {
        ++dialogsOpen;
        maxDialogsOpen = std::max(maxDialogsOpen, dialogsOpen);
        shown.push_back(fields);
        // The dialog empties both passwords as it opens.
        fields.password.clear();
        fields.newPassword.clear();
        bool ok = false;
        if (answers.empty()) {
            ADD_FAILURE() << "Connection dialog opened with no answer left";
        } else {
            DialogAnswer answer = std::move(answers.front());
            answers.pop_front();
            ok = answer(fields);
        }
        --dialogsOpen;
        return ok;
    }
    void showError(const QString& text) override { errors.push_back(text); }
    void showException(const QString& message) override { exceptions.push_back(message); }
    void setCallButtonsEnabled(bool enabled) override { buttonsEnabled = enabled; }
    void minimizeApplication() override { ++minimized; }
    void terminateApplication() override { ++terminated; }
    void runDrop() override { dropsWithErrorMarker.push_back(state ? state->ErrorDrop : false); }

    const CallState* state = nullptr;
    std::deque<DialogAnswer> answers;
    std::vector<ConnectionDialogFields> shown;
    std::vector<QString> log;
    std::vector<QString> errors;
    std::vector<QString> exceptions;
    std::vector<bool> dropsWithErrorMarker;
    bool buttonsEnabled = false;
    int minimized = 0;
    int terminated = 0;
    int dialogsOpen = 0;
    int maxDialogsOpen = 0;
};

inline DialogAnswer Exit()
{
    return [](ConnectionDialogFields&) { return false; };
}

// OK in IP address mode with the given Client ID and password.
inline DialogAnswer OkWith(QString clientId, QString password, QString newPassword = {})
{
    return [=](ConnectionDialogFields& fields) {
        fields.clientId = clientId;
        fields.password = password;
        fields.newPassword = newPassword;
        return true;
    };
}

// The softphone's parts the sign-in works on, in a scratch directory.
class SignInTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(scratch.isValid());
        view.state = &state;
        socket.onLookup = [this] { session.socketLookup(); };
        socket.onConnecting = [this] { session.socketConnecting(); };
        socket.onConnect = [this] { session.socketConnected(); };
        socket.onDisconnect = [this] { session.socketDisconnected(); };
        socket.onRead = [this] { session.socketRead(); };
        socket.onError = [this](int& code) { session.socketError(code); };
    }

    QString IniPath() const { return scratch.filePath("ParlinoClient.ini"); }
    // Points the settings at the fake server.
    void UseServerPort(quint16 port)
    {
        IniFile ini(IniPath().toStdString());
        ini.writeInteger("Server", "TCP port", port);
        ASSERT_TRUE(ini.save());
    }
    bool LogHas(const QString& text) const
    {
        return std::find(view.log.begin(), view.log.end(), text) != view.log.end();
    }
    // Runs the connect sequence the way the start-up timer does, and waits for the answer
    // to be used.
    void StartAndWaitForDialog(int dialogs = 1)
    {
        session.requestConnect();
        ASSERT_TRUE(WaitUntil([&] { return static_cast<int>(view.shown.size()) >= dialogs; }));
    }

    QTemporaryDir scratch;
    RecordingView view;
    CallState state;
    VoiceHandles voice;
    tcp::ClientWinSocket socket;
    std::int32_t ownClientID = 0;
    SignInSession session{socket, voice, state, ownClientID, view, IniPath(), scratch.filePath("ClientID.txt")};
};

}  // namespace parlino::test
