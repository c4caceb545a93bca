// The softphone window's connect sequence with the real Connection dialog, answered through
// the form hook, against a signalling peer on loopback.
#include "ClientTestFiles.h"
#include "QtWait.h"

#include "client/ZeltClientUnit1.h"
#include "platform/core/IniFile.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/FormHook.h"
#include "support/FakeServer.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace parlino::test {
namespace {

using ui::FormDriver;

class ConnectWindowTest : public ::testing::Test {
protected:
    ConnectWindowTest()
    {
        QFile::remove(QStringLiteral("ParlinoClient.ini"));
        WriteFile(QStringLiteral("ClientID.txt"), "123\r\n");
        CopyAsset(QStringLiteral("silence.wav"), QStringLiteral("silence.wav"));
    }

    // Starts the window with the Connection dialogs answered by `answers` in turn (the
    // dialog is left open, which is "Exit", once they run out), and runs the connect
    // sequence as the start-up timer does.
    TZeltClientForm1& StartConnecting(std::vector<std::function<void(FormDriver&)>> answers)
    {
        answers_ = std::move(answers);
        answered_ = 0;
        ClientSetup setup;
        setup.iniFile = QStringLiteral("ParlinoClient.ini");
        setup.terminate = [this] { ++terminated; };
        setup.audioDevices = "null";
        window = std::make_unique<TZeltClientForm1>(setup);
        window->show();
        window->Timer3Timer();
        return *window;
    }
    void UseServerPort(quint16 port)
    {
        IniFile ini("ParlinoClient.ini");
        ini.writeInteger("Server", "TCP port", port);
        ASSERT_TRUE(ini.save());
    }
    QStringList Log() const { return window->Memo2->toPlainText().split(u'\n'); }
    std::vector<QString> BoxTexts() const
    {
        std::vector<QString> texts;
        for (const ui::DialogRequest& box : boxes.requests())
            texts.push_back(box.text);
        return texts;
    }

    ui::ScopedDialogResponder boxes{ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok)};
    ui::ScopedFormResponder forms{[this](QDialog& form) {
        if (form.windowTitle() == QStringLiteral("Balance")) {
            FormDriver(form).click("BitBtn1");  // asks for the balance
            return;
        }
        if (form.windowTitle() != QStringLiteral("Connection") || answered_ == answers_.size())
            return;
        FormDriver driver(form);
        answers_[answered_++](driver);
    }};
    std::unique_ptr<TZeltClientForm1> window;
    int terminated = 0;

private:
    std::vector<std::function<void(FormDriver&)>> answers_;
    std::size_t answered_ = 0;
};

// OK with this password (and the Client ID read at start-up).
std::function<void(FormDriver&)> OkWithPassword(const QString& password)
{
    return [password](FormDriver& dialog) {
        dialog.type("LabeledEdit3", password);
        dialog.click("BitBtn1");
    };
}

TEST_F(ConnectWindowTest, FirstStartWritesTheSettingsAndOffersTheLoopbackAddress)
{
    QStringList shown;
    bool ipMode = false;
    StartConnecting({[&](FormDriver& dialog) {
        for (const char* name : {"MaskEdit1", "MaskEdit2", "MaskEdit3", "MaskEdit4", "LabeledEdit2"})
            shown << dialog.child<QLineEdit>(name).text();
        ipMode = dialog.child<QRadioButton>("RadioButton1").isChecked();
        dialog.click("BitBtn2");
    }});
    ASSERT_TRUE(WaitUntil([&] { return terminated == 1; }));
    EXPECT_EQ(shown, (QStringList{"127", "0", "0", "1", "123"}));
    EXPECT_TRUE(ipMode);
    IniFile ini("ParlinoClient.ini");
    EXPECT_EQ(ini.readString("Server", "IP address", ""), "127.0.0.1");
    EXPECT_EQ(ini.readString("Server", "Host name", ""), "localhost");
    EXPECT_EQ(ini.readInteger("Server", "Selected index", -1), 0);
    EXPECT_EQ(ini.readInteger("Server", "TCP port", -1), 1101);
    EXPECT_FALSE(window->ClientSocket1->active());
    EXPECT_EQ(forms.requests().size(), 1u);
}

TEST_F(ConnectWindowTest, AServerThatIsNotRunningIsLoggedShownAndAskedAgain)
{
    quint16 closedPort = 0;
    {
        FakeServer gone;
        closedPort = gone.port();
    }
    UseServerPort(closedPort);
    StartConnecting({OkWithPassword("582047")});
    ASSERT_TRUE(WaitUntil([&] { return terminated == 1; }));
    const QStringList log = Log();
    ASSERT_EQ(log.size(), 3);
    EXPECT_TRUE(log[0].endsWith(" Socket error (111)")) << log[0].toStdString();
    EXPECT_TRUE(log[1].endsWith(" Connecting to the server...")) << log[1].toStdString();
    EXPECT_TRUE(log[2].endsWith(" Parlino Server lookup started...")) << log[2].toStdString();
    EXPECT_EQ(BoxTexts(), (std::vector<QString>{"Socket error (111)"}));
    EXPECT_EQ(boxes.requests()[0].caption, "Error");
    EXPECT_EQ(forms.requests().size(), 2u);
}

TEST_F(ConnectWindowTest, ARefusedSignInShowsWhyAndExitEndsTheProgram)
{
    FakeServer server;
    UseServerPort(server.port());
    StartConnecting({OkWithPassword("wrong")});
    ASSERT_NE(server.Accept(), nullptr);
    const auto login = server.Next();
    ASSERT_TRUE(login && login->letter == 'P');
    EXPECT_EQ(ValueAs<std::int32_t>(login->values, 1), 123);
    EXPECT_EQ(ValueAs<std::string>(login->values, 2), "wrong");
    EXPECT_TRUE(Log().first().endsWith(" Logging in..."));
    EXPECT_FALSE(window->BitBtn3->isEnabled());

    server.Send(BuildMessage('P'));
    ASSERT_TRUE(WaitUntil([&] { return terminated == 1; }));
    EXPECT_EQ(BoxTexts(), (std::vector<QString>{"Password inconsistent with Client_ID\r\nor IP address of this computer"}));
    EXPECT_EQ(forms.requests().size(), 2u);
    EXPECT_FALSE(window->BitBtn3->isEnabled());
}

// The server closes the connection in order: whatever the connection carried ends, without
// a box and without a word to the server, and the Connection dialog asks again.
TEST_F(ConnectWindowTest, AnOrderlyCloseEndsTheCallOrRequestAndAsksForTheConnectionAgain)
{
    struct Case {
        const char* name;
        std::function<void(FakeServer&)> enter;
    };
    const auto ring = [this](FakeServer& server) {
        server.Send(BuildMessage('C', 1, {std::int32_t{205}}));
        const auto ringing = server.Next();
        ASSERT_TRUE(ringing && ringing->letter == 'F');
        ASSERT_TRUE(window->Shared().callState.Ringing);
    };
    const Case cases[] = {
        {"in a talk",
         [&](FakeServer& server) {
             ring(server);
             window->BitBtn3->click();
             const auto answer = server.Next();
             ASSERT_TRUE(answer && answer->letter == 'A');
             server.Send(BuildMessage('S'));
             ASSERT_TRUE(WaitUntil([&] { return window->Shared().callState.InTalk; }));
             ASSERT_TRUE(window->Voice().running());
         }},
        {"in a ring", ring},
        {"with the balance asked for",
         [&](FakeServer& server) {
             window->BitBtn2->click();
             const auto request = server.Next();
             ASSERT_TRUE(request && request->letter == 'b');
             ASSERT_FALSE(window->BitBtn3->isEnabled());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        terminated = 0;
        boxes.clear();
        forms.clear();
        FakeServer server;
        UseServerPort(server.port());
        StartConnecting({OkWithPassword("582047")});
        ASSERT_NE(server.Accept(), nullptr);
        ASSERT_TRUE(server.Next());  // the sign-in
        server.Send(BuildMessage('V', 1, {std::int32_t{40000}}));
        ASSERT_TRUE(WaitUntil([&] { return window->BitBtn3->isEnabled(); }));
        c.enter(server);

        server.connection()->disconnectFromHost();
        // The second Connection dialog, left open: "Exit".
        ASSERT_TRUE(WaitUntil([&] { return terminated == 1; }));
        const CallState& state = window->Shared().callState;
        EXPECT_TRUE(state.Idle());
        EXPECT_FALSE(window->Voice().running());
        EXPECT_FALSE(window->Timer1->isActive());
        EXPECT_FALSE(window->Timer2->isActive());
        EXPECT_TRUE(window->BitBtn2->isEnabled() && window->BitBtn3->isEnabled() &&
                    window->BitBtn4->isEnabled());
        EXPECT_TRUE(BoxTexts().empty());
        const QStringList log = Log();
        EXPECT_TRUE(log.filter(" Disconnected from the server").size() == 1)
            << log.join('|').toStdString();
        EXPECT_TRUE(log.filter(" Socket error").isEmpty())
            << "nothing sent on the closed connection";
        EXPECT_EQ(forms.requests().back().caption, "Connection");
        window.reset();
    }
}

}  // namespace
}  // namespace parlino::test
