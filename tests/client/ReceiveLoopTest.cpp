// The softphone's receive loop on a real connection: messages cut by the stream, bytes that
// start no message, a message whose handling fails, and a server that floods it.
#include "SignInTestSupport.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace parlino::test {
namespace {

class ReceiveLoopTest : public SignInTest {
protected:
    // Signed in to the fake server, every later message recorded by letter.
    void SignInTo(FakeServer& server)
    {
        UseServerPort(server.port());
        view.answers.push_back(OkWith("101", "582047"));
        StartAndWaitForDialog();
        ASSERT_NE(server.Accept(), nullptr);
        ASSERT_TRUE(server.Next());  // the sign-in
        server.Send(BuildMessage('V', 1, {std::int32_t{40000}}));
        ASSERT_TRUE(WaitUntil([&] { return view.minimized == 1; }));
        view.log.clear();
        session.onOtherMessage = [this](char letter, const MessageValues& values) {
            handled.push_back(std::string(1, letter) + ValueAs<std::string>(values, 0));
            return true;
        };
    }

    std::vector<std::string> handled;
};

TEST_F(ReceiveLoopTest, MessagesAreHandledInOrderWhenWholeAndUnknownBytesAreLoggedAndSkipped)
{
    FakeServer server;
    SignInTo(server);

    // Two messages around a stray byte, in one write.
    server.Send(BuildMessage('I', 1, {std::string("one")}) + "Q" + BuildMessage('F'));
    ASSERT_TRUE(WaitUntil([&] { return handled.size() == 2; }));
    EXPECT_EQ(handled, (std::vector<std::string>{"Ione", "F"}));
    EXPECT_EQ(view.log, std::vector<QString>{" Q: unknown command"});

    // One message over two writes is handled once, when its last byte has come.
    const ByteString info = BuildMessage('I', 1, {std::string("split in two")});
    server.Send(info.substr(0, 7));
    ASSERT_TRUE(WaitUntil([&] { return session.InBuffer.size() == 7; }));
    EXPECT_EQ(handled.size(), 2u);
    server.Send(info.substr(7));
    ASSERT_TRUE(WaitUntil([&] { return handled.size() == 3; }));
    EXPECT_EQ(handled.back(), "Isplit in two");
    EXPECT_TRUE(session.InBuffer.empty());

    // A byte that is no letter at all, and a letter whose text count no server writes.
    server.Send(ByteString("\xff", 1) + ByteString("I\xff\xff\xff\xff", 5) + BuildMessage('F'));
    ASSERT_TRUE(WaitUntil([&] { return handled.size() == 4; }));
    EXPECT_EQ(view.log.size(), 1u + 1u + 1u + 4u);
    EXPECT_EQ(view.log[1], QString(" ") + QChar(0xff) + ": unknown command");
    EXPECT_EQ(view.log[2], " I: unknown command");
}

TEST_F(ReceiveLoopTest, AMessageWhoseHandlingFailsIsLostButTheBytesBehindItAreHandled)
{
    FakeServer server;
    SignInTo(server);
    session.onOtherMessage = [this](char letter, const MessageValues&) -> bool {
        handled.push_back(std::string(1, letter));
        if (letter == 'F')
            throw std::runtime_error("no sound today");
        return true;
    };
    server.Send(BuildMessage('F') + BuildMessage('B'));
    ASSERT_TRUE(WaitUntil([&] { return handled.size() == 2 && !view.exceptions.empty(); }));
    EXPECT_EQ(handled, (std::vector<std::string>{"F", "B"}));
    EXPECT_EQ(view.exceptions, std::vector<QString>{"no sound today"});
}

// A burst is taken a slice per read event, the rest left to the event loop, so the window
// answers between slices.
TEST_F(ReceiveLoopTest, AJunkBurstIsHandledASliceAtATime)
{
    FakeServer server;
    SignInTo(server);
    std::vector<std::size_t> loggedPerEvent;  // one entry per unknown byte
    socket.onRead = [this, &loggedPerEvent] {
        const std::size_t before = view.log.size();
        session.socketRead();
        loggedPerEvent.push_back(view.log.size() - before);
    };
    const std::size_t burst = 8 * SignInSession::ReadSliceBytes;
    server.Send(ByteString(burst, 'Q'));
    ASSERT_TRUE(WaitUntil([&] { return view.log.size() == burst; }, 30000));
    EXPECT_GE(loggedPerEvent.size(), 8u);
    EXPECT_LE(*std::max_element(loggedPerEvent.begin(), loggedPerEvent.end()),
              SignInSession::ReadSliceBytes);
    EXPECT_TRUE(session.InBuffer.empty());
}

TEST_F(ReceiveLoopTest, InputPastTheBoundClosesTheConnectionAndRecoversAsFromASocketError)
{
    FakeServer server;
    SignInTo(server);
    view.answers.push_back(Exit());
    state.Calling = true;  // a call in progress is dropped without telling the server
    // A text announced longer than any message: the loop waits for it until the bound.
    ByteString flood = ByteString("I") + ByteString("\x00\x00\x00\x7f", 4);
    flood.append(MaxUnhandledInput, 'x');
    server.Send(flood);
    ASSERT_TRUE(WaitUntil([&] { return view.shown.size() == 2; }, 20000));
    EXPECT_TRUE(handled.empty());
    EXPECT_TRUE(session.InBuffer.empty());
    EXPECT_FALSE(socket.active());
    EXPECT_EQ(view.log, std::vector<QString>{QString(" Socket error (%1)").arg(EMSGSIZE)});
    EXPECT_EQ(view.errors, std::vector<QString>{QString("Socket error (%1)").arg(EMSGSIZE)});
    EXPECT_EQ(view.dropsWithErrorMarker, std::vector<bool>{true});
    EXPECT_FALSE(state.ErrorDrop);
    // The server sees the connection go.
    EXPECT_TRUE(WaitUntil([&] {
        return server.connection()->state() != QAbstractSocket::ConnectedState ||
            server.connection()->waitForDisconnected(10);
    }));
}

}  // namespace
}  // namespace parlino::test
