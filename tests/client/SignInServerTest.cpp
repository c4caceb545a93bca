// The softphone's sign-in against the real switch in the same process, on its demo data.
#include "server/SignallingTestSupport.h"

#include "client/SignInSession.h"
#include "platform/core/IniFile.h"

#include <QDir>

namespace parlino::test {
namespace {

class Window : public SignInView {
public:
    void addLogEntry(const QString& text) override { log.push_back(text); }
    bool runConnectionDialog(ConnectionDialogFields& fields) override
    {
        ++dialogs;
        fields.clientId = "101";
        fields.password = "582047";
        fields.newPassword.clear();
        return true;
    }
    void showError(const QString& text) override { ADD_FAILURE() << text.toStdString(); }
    void showException(const QString& message) override { ADD_FAILURE() << message.toStdString(); }
    void setCallButtonsEnabled(bool) override {}
    void minimizeApplication() override { ++minimized; }
    void terminateApplication() override {}
    void runDrop() override {}

    std::vector<QString> log;
    int dialogs = 0;
    int minimized = 0;
};

using SoftphoneSignInTest = SignallingTest;

TEST_F(SoftphoneSignInTest, TheDemoSubscriberSignsInAndIsOnline)
{
    IniFile ini("ParlinoClient.ini");
    ini.writeInteger("Server", "TCP port", window->ServerSocket1->Port());
    ASSERT_TRUE(ini.save());

    Window softphone;
    CallState state;
    VoiceHandles voice;
    tcp::ClientWinSocket socket;
    SignInSession session(socket, voice, state, softphone, "ParlinoClient.ini", "ClientID.txt");
    socket.onConnect = [&] { session.socketConnected(); };
    socket.onRead = [&] { session.socketRead(); };
    socket.onError = [&](int& code) { session.socketError(code); };
    EXPECT_EQ(StatusOf(101), "OFFLINE");

    session.requestConnect();
    ASSERT_TRUE(WaitUntil([&] { return softphone.minimized == 1; }));
    EXPECT_EQ(softphone.log.back(), " Logged in successfully");
    EXPECT_EQ(softphone.dialogs, 1);
    EXPECT_EQ(StatusOf(101), "ONLINE");
    // The send sockets point at the server's receive socket of this subscriber.
    EXPECT_EQ(voice.VoiceSendHandles[0].peerAddress(), "127.0.0.1");
    EXPECT_NE(voice.VoiceSendHandles[0].peerPort(), 0);
}

}  // namespace
}  // namespace parlino::test
