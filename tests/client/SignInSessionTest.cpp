#include "SignInTestSupport.h"

#include "platform/core/IniFile.h"

#include <QFile>

#include <iterator>
#include <limits>
#include <utility>

namespace parlino::test {
namespace {

std::string ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("<missing>");
}

TEST_F(SignInTest, FirstStartWritesTheDefaultsAndExitEndsTheProgramWithNothingStored)
{
    view.answers.push_back(Exit());
    StartAndWaitForDialog();

    const ConnectionDialogFields& shown = view.shown.at(0);
    EXPECT_EQ(shown.ipAddress, "127.0.0.1");
    EXPECT_EQ(shown.hostName, "localhost");
    EXPECT_EQ(shown.selectedIndex, 0);
    EXPECT_EQ(shown.tcpPort, "1101");
    EXPECT_EQ(shown.udpBase + shown.udpMax + shown.socketCount, "008");
    IniFile ini(IniPath().toStdString());
    EXPECT_EQ(ini.readString("Server", "IP address", ""), "127.0.0.1");
    EXPECT_EQ(ini.readString("Server", "Host name", ""), "localhost");
    EXPECT_EQ(ini.readInteger("Server", "Selected index", -1), 0);
    EXPECT_EQ(ini.readInteger("Server", "TCP port", -1), 1101);

    EXPECT_EQ(view.terminated, 1);
    EXPECT_FALSE(socket.active());
    EXPECT_EQ(ReadFile(scratch.filePath("ClientID.txt")), "<missing>");
}

TEST_F(SignInTest, SignsInWithAPasswordCutTo20AndConnectsTheSendSocketsOnAcceptance)
{
    FakeServer server;
    UseServerPort(server.port());
    view.answers.push_back(OkWith("101", "1234567890123456789012345", QStringLiteral("ab\u00E9")));
    StartAndWaitForDialog();
    ASSERT_NE(server.Accept(), nullptr);
    EXPECT_EQ(ReadFile(scratch.filePath("ClientID.txt")), "101\n");
    EXPECT_EQ(ownClientID, 101);
    EXPECT_FALSE(view.buttonsEnabled);

    const auto login = server.Next();
    ASSERT_TRUE(login && login->letter == 'P');
    EXPECT_EQ(ValueAs<std::int32_t>(login->values, 0), session.VoiceReceivePort);
    EXPECT_NE(session.VoiceReceivePort, 0);
    EXPECT_EQ(ValueAs<std::int32_t>(login->values, 1), 101);
    EXPECT_EQ(ValueAs<std::string>(login->values, 2), "12345678901234567890");
    EXPECT_EQ(ValueAs<std::string>(login->values, 3), "ab\xE9") << "one byte per character";
    EXPECT_EQ(session.OwnPassword, "12345678901234567890");
    EXPECT_EQ(view.log, (std::vector<QString>{" Parlino Server lookup started...",
                                               " Connecting to the server...",
                                               " Connected to the server", " Logging in..."}));

    // The server's voice socket for this subscriber: all eight send sockets reach it.
    net::UdpSocket serverVoice;
    serverVoice.setLocalAddress("127.0.0.1");
    serverVoice.allocate();
    serverVoice.bind();
    server.Send(BuildMessage('V', 1, {std::int32_t{serverVoice.boundPort()}}));
    ASSERT_TRUE(WaitUntil([&] { return view.minimized == 1; }));
    EXPECT_EQ(view.log.back(), " Logged in successfully");
    EXPECT_TRUE(view.buttonsEnabled);
    for (std::size_t i = 0; i < voice.VoiceSendHandles.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(voice.VoiceSendHandles[i].send("x"), 1);
        char byte = 0;
        net::Endpoint from;
        ASSERT_EQ(serverVoice.receiveFrom(&byte, 1, &from), 1);
        EXPECT_EQ(from.port, session.VoiceSendPorts[i]);
    }
}

TEST_F(SignInTest, HostNameModeStoresItsChoiceAndOpensByName)
{
    FakeServer server;
    UseServerPort(server.port());
    view.answers.push_back([](ConnectionDialogFields& fields) {
        fields.selectedIndex = 1;
        fields.hostName = "localhost";
        fields.ipAddress = "10.9.9.9";  // left alone in host name mode, but stored as it is
        fields.clientId = "102";
        return true;
    });
    StartAndWaitForDialog();
    EXPECT_EQ(socket.host(), "localhost");
    EXPECT_EQ(socket.address(), "");
    ASSERT_NE(server.Accept(), nullptr);
    IniFile ini(IniPath().toStdString());
    EXPECT_EQ(ini.readInteger("Server", "Selected index", -1), 1);
    EXPECT_EQ(ini.readString("Server", "IP address", ""), "10.9.9.9");
}

TEST_F(SignInTest, AServerThatIsNotRunningGivesTheErrorAfterTheEventAndTheDialogAgain)
{
    quint16 closedPort = 0;
    {
        FakeServer gone;
        closedPort = gone.port();
    }
    UseServerPort(closedPort);
    view.answers.push_back(OkWith("101", "582047"));
    view.answers.push_back(Exit());
    // The error event itself opens nothing.
    socket.onError = [this](int& code) {
        const std::size_t dialogs = view.shown.size();
        session.socketError(code);
        EXPECT_EQ(code, 0);
        EXPECT_EQ(view.shown.size(), dialogs);
        EXPECT_TRUE(view.errors.empty());
    };
    StartAndWaitForDialog(2);

    EXPECT_EQ(view.log, (std::vector<QString>{" Parlino Server lookup started...",
                                               " Connecting to the server...",
                                               " Socket error (111)"}));
    EXPECT_EQ(view.errors, (std::vector<QString>{"Socket error (111)"}));
    EXPECT_EQ(view.dropsWithErrorMarker, (std::vector<bool>{true}));
    EXPECT_FALSE(state.ErrorDrop);
    EXPECT_EQ(view.terminated, 1);
}

TEST_F(SignInTest, ASecondSignInOfTheRunBindsTheSamePortsAndStartsFromAnEmptyBuffer)
{
    FakeServer server;
    UseServerPort(server.port());
    view.answers.push_back(OkWith("101", "582047"));
    view.answers.push_back(OkWith("101", "582047"));
    StartAndWaitForDialog();
    ASSERT_NE(server.Accept(), nullptr);
    const auto first = server.Next();
    ASSERT_TRUE(first && first->letter == 'P');
    const auto sendPorts = session.VoiceSendPorts;
    // The start of a reply that the old connection never finishes.
    server.Send(ByteString("V\x01\x02", 3));
    ASSERT_TRUE(WaitUntil([&] { return session.InBuffer.size() == 3; }));

    // A reset by the server: the error, then the dialog, then the second connection.
    const linger abortive{1, 0};
    ASSERT_EQ(::setsockopt(static_cast<int>(server.connection()->socketDescriptor()), SOL_SOCKET,
                           SO_LINGER, &abortive, sizeof abortive), 0);
    server.connection()->close();
    ASSERT_NE(server.Accept(), nullptr);
    EXPECT_EQ(view.errors, (std::vector<QString>{"Socket error (104)"}));
    const auto second = server.Next();
    ASSERT_TRUE(second && second->letter == 'P');
    EXPECT_EQ(ValueAs<std::int32_t>(second->values, 0), ValueAs<std::int32_t>(first->values, 0));
    EXPECT_EQ(session.VoiceSendPorts, sendPorts);
    EXPECT_EQ(voice.VoiceSendHandles[7].boundPort(), sendPorts[7]);

    server.Send(BuildMessage('V', 1, {std::int32_t{40404}}));
    ASSERT_TRUE(WaitUntil([&] { return view.minimized == 1; }));
    EXPECT_EQ(voice.VoiceSendHandles[7].peerPort(), 40404);
}

TEST_F(SignInTest, AnAcceptanceWithAPortThatIsNoneIsHandledAsASocketError)
{
    FakeServer server;
    UseServerPort(server.port());
    std::vector<char> handled;
    session.onOtherMessage = [&](char letter, const MessageValues&) {
        handled.push_back(letter);
        return true;
    };
    const std::int32_t ports[] = {0, -1, 65536, std::numeric_limits<std::int32_t>::min()};
    for (std::size_t i = 0; i <= std::size(ports); ++i)
        view.answers.push_back(OkWith("101", "582047"));
    StartAndWaitForDialog();
    for (const std::int32_t port : ports) {
        SCOPED_TRACE(port);
        ASSERT_NE(server.Accept(), nullptr);
        ASSERT_TRUE(server.Next());
        const std::size_t errors = view.errors.size();
        server.Send(BuildMessage('V', 1, {port}) + BuildMessage('I', 1, {std::string("news")}));
        // The error, then the dialog again, then the next connection.
        ASSERT_TRUE(WaitUntil([&] { return view.errors.size() > errors; }));
        EXPECT_EQ(view.errors.back(), "Socket error (71)");
        EXPECT_TRUE(LogHas(" Socket error (71)"));
        EXPECT_EQ(view.dropsWithErrorMarker.back(), true);
        EXPECT_TRUE(handled.empty()) << "what came behind belongs to the connection given up";
        EXPECT_EQ(view.minimized, 0);
        EXPECT_EQ(voice.VoiceSendHandles[0].peerPort(), 0);
    }
    ASSERT_NE(server.Accept(), nullptr);
    EXPECT_EQ(view.errors.size(), std::size(ports));
}

TEST_F(SignInTest, ATcpPortThatIsNoDecimalPortReadsAsTheDefault)
{
    const std::pair<const char*, const char*> cases[] = {
        {"111569", "1101"}, {"65536", "1101"}, {"0", "1101"}, {"-1", "1101"},
        {"0x1", "1101"},    {"+80", "1101"},   {"1", "1"},    {"65535", "65535"},
    };
    for (const auto& [text, shown] : cases) {
        SCOPED_TRACE(text);
        IniFile ini(IniPath().toStdString());
        ini.writeString("Server", "TCP port", text);
        ASSERT_TRUE(ini.save());
        view.answers.push_back(Exit());
        StartAndWaitForDialog(static_cast<int>(view.shown.size()) + 1);
        EXPECT_EQ(view.shown.back().tcpPort, shown);
    }
}

TEST_F(SignInTest, RepliesAreActedOnOnlyWhenIdle)
{
    struct Case {
        const char* name;
        bool CallState::*flag;
    };
    const Case busy[] = {{"calling", &CallState::Calling}, {"ringing", &CallState::Ringing},
                         {"in talk", &CallState::InTalk}, {"busy tone", &CallState::BusyTone}};
    for (const Case& c : busy) {
        SCOPED_TRACE(c.name);
        state.clear();
        state.*c.flag = true;
        EXPECT_FALSE(state.Idle());
        session.LoginAccepted(40000);
        EXPECT_TRUE(session.LoginRefused());
        QCoreApplication::processEvents();
        EXPECT_TRUE(view.log.empty());
        EXPECT_TRUE(view.errors.empty());
        EXPECT_FALSE(view.buttonsEnabled);
        EXPECT_EQ(view.minimized, 0);
        EXPECT_EQ(voice.VoiceSendHandles[0].peerPort(), 0);
    }
    state.clear();
    EXPECT_TRUE(state.Idle());
}

TEST_F(SignInTest, RefusalShowsTheBoxThenTheDialogAndTheBytesBehindItWaitForIt)
{
    FakeServer server;
    UseServerPort(server.port());
    std::vector<std::string> handled;
    session.onOtherMessage = [&](char letter, const MessageValues&) {
        handled.push_back(std::string(1, letter) + " after " + std::to_string(view.shown.size()) + " dialogs");
        return true;
    };
    view.answers.push_back(OkWith("101", "wrong"));
    view.answers.push_back([&](ConnectionDialogFields& fields) {
        EXPECT_EQ(view.errors.size(), 1u);  // the box comes first
        fields.clientId = "101";
        return true;
    });
    view.answers.push_back(Exit());
    StartAndWaitForDialog();
    ASSERT_NE(server.Accept(), nullptr);
    ASSERT_TRUE(server.Next());
    server.Send(BuildMessage('P') + BuildMessage('b', 1, {2.5}));
    ASSERT_NE(server.Accept(), nullptr);
    EXPECT_EQ(view.errors, (std::vector<QString>{"Password inconsistent with Client_ID\r\nor IP address of this computer"}));
    EXPECT_EQ(handled, (std::vector<std::string>{"b after 2 dialogs"}));

    // Refused again, and "Exit": the program ends and what came behind is dropped.
    ASSERT_TRUE(server.Next());
    server.Send(BuildMessage('P') + BuildMessage('I', 1, {std::string("news")}));
    ASSERT_TRUE(WaitUntil([&] { return view.terminated == 1; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(handled.size(), 1u);
    EXPECT_TRUE(session.InBuffer.empty());
    EXPECT_EQ(view.errors.size(), 2u);
}

TEST_F(SignInTest, AnErrorWhileTheDialogIsOpenIsShownButOpensNoSecondDialog)
{
    view.answers.push_back([&](ConnectionDialogFields&) {
        int code = 104;
        session.socketError(code);
        EXPECT_TRUE(WaitUntil([&] { return !view.errors.empty(); }));
        return false;
    });
    StartAndWaitForDialog();
    QCoreApplication::processEvents();
    EXPECT_EQ(view.shown.size(), 1u);
    EXPECT_EQ(view.maxDialogsOpen, 1);
    EXPECT_EQ(view.errors, (std::vector<QString>{"Socket error (104)"}));
    EXPECT_EQ(view.log.back(), " Socket error (104)");
}

TEST_F(SignInTest, BadInputEndsWithTheErrorShownAndTheSocketUnopened)
{
    // A Client ID that is no number is stored as typed, then refused.
    view.answers.push_back(OkWith("1O1", "582047"));
    StartAndWaitForDialog();
    ASSERT_TRUE(WaitUntil([&] { return !view.exceptions.empty(); }));
    EXPECT_EQ(view.exceptions.back(), "'1O1' is not a valid integer value");
    EXPECT_EQ(ReadFile(scratch.filePath("ClientID.txt")), "1O1\n");
    EXPECT_EQ(ownClientID, 0);
    EXPECT_FALSE(socket.active());

    // A settings file that cannot be written: nothing after it is done.
    QFile::remove(scratch.filePath("ClientID.txt"));
    SignInSession unwritable(socket, voice, state, ownClientID, view, scratch.filePath("missing/ParlinoClient.ini"),
                             scratch.filePath("ClientID.txt"));
    view.answers.push_back(OkWith("101", "582047"));
    unwritable.requestConnect();
    ASSERT_TRUE(WaitUntil([&] { return view.exceptions.size() == 2; }));
    EXPECT_NE(view.exceptions.back().indexOf("ParlinoClient.ini"), -1);
    EXPECT_EQ(ReadFile(scratch.filePath("ClientID.txt")), "<missing>");
    EXPECT_FALSE(socket.active());
}

TEST_F(SignInTest, ATakenVoicePortStopsTheSignInAndKeepsThePortForTheNextAttempt)
{
    net::UdpSocket squatter;
    squatter.setLocalAddress("127.0.0.1");
    squatter.allocate();
    squatter.bind();
    session.VoiceReceivePort = squatter.boundPort();

    FakeServer server;
    UseServerPort(server.port());
    view.answers.push_back(OkWith("101", "582047"));
    StartAndWaitForDialog();
    ASSERT_NE(server.Accept(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !view.exceptions.empty(); }));
    EXPECT_FALSE(server.Next(200).has_value());
    EXPECT_TRUE(socket.connected());
    EXPECT_EQ(session.VoiceReceivePort, squatter.boundPort());
    EXPECT_FALSE(voice.VoiceReceiveHandle.isOpen());
}

}  // namespace
}  // namespace parlino::test
