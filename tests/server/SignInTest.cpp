#include "SignallingTestSupport.h"

#include "server/ZeltServerClientWinSocket.h"

#include <QLineEdit>
#include <QTest>

#include <fstream>

namespace parlino::test {
namespace {

using SignIn = SignallingTest;

TEST_F(SignIn, AcceptedSignInAnnouncesTheVoicePortAndMarksTheAccountOnline)
{
    auto alice = Connect();
    alice->SignIn(101, "582047", "", 40123);
    const auto reply = alice->Next();
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->letter, 'V');
    const auto* receive = inside().voiceSockets.receiveHandle(101);
    ASSERT_NE(receive, nullptr);
    EXPECT_EQ(ValueAs<std::int32_t>(reply->values, 0), receive->boundPort());
    for (int k = 0; k < VoiceSocketCount; ++k) {
        const auto* send = inside().voiceSockets.sendHandle(101, k);
        ASSERT_NE(send, nullptr);
        EXPECT_EQ(send->peerAddress(), "127.0.0.1");
        EXPECT_EQ(send->peerPort(), 40123);
    }
    EXPECT_EQ(StatusOf(101), "ONLINE");
    EXPECT_EQ(FixText(ReadFixRecord(101), 20, 8), "ONLINE");
    ASSERT_NE(inside().ClientSockets[100], nullptr);
    EXPECT_EQ(inside().ClientSockets[100]->Client_ID, 101);
}

TEST_F(SignIn, RefusalsCarryNoReasonAndABannedAccountHearsNothing)
{
    auto caller = Connect();
    caller->SignIn(999);  // no such account
    EXPECT_EQ(caller->NextLetter(), 'P');
    caller->SignIn(101, "wrong");
    EXPECT_EQ(caller->NextLetter(), 'P');
    caller->SignIn(101, "582047" "0");  // a longer password is not a match either
    EXPECT_EQ(caller->NextLetter(), 'P');

    SetField(102, "IP_Address", "10.1.2.3");
    caller->SignIn(102);
    EXPECT_EQ(caller->NextLetter(), 'P');
    EXPECT_EQ(StatusOf(102), "OFFLINE");

    caller->SignIn(104);  // banned: no reply at all; the next reply is Send Info's
    window->BitBtn29Click();
    EXPECT_EQ(caller->NextLetter(), 'I');
    EXPECT_EQ(StatusOf(104), "BANNED");
    EXPECT_EQ(inside().voiceSockets.receiveHandle(104), nullptr);

    // The connection stays usable after refusals.
    caller->SignIn(103);
    EXPECT_EQ(caller->NextLetter(), 'V');
}

TEST_F(SignIn, NewPasswordIsKeptInTheTableAndCriticalFix)
{
    auto bob = Connect();
    bob->SignIn(102, "582047", "");
    EXPECT_EQ(bob->NextLetter(), 'V');
    EXPECT_EQ(FixText(ReadFixRecord(102), 0, 20), "582047") << "an empty new password keeps the old";

    bob->SignIn(102, "582047", "s3cret");
    EXPECT_EQ(bob->NextLetter(), 'V');
    ASSERT_TRUE(store->GotoClient(UsersKeyed, 102));
    EXPECT_EQ(Users().FieldByName("Password").AsText(), "s3cret");
    const auto record = ReadFixRecord(102);
    EXPECT_EQ(FixText(record, 0, 20), "s3cret");
    EXPECT_EQ(FixText(record, 20, 8), "ONLINE");

    bob->SignIn(102, "582047");
    EXPECT_EQ(bob->NextLetter(), 'P');
    bob->SignIn(102, "s3cret");
    EXPECT_EQ(bob->NextLetter(), 'V');
}

TEST_F(SignIn, AccentedTextStaysOneBytePerCharacterInTableFileAndWire)
{
    // "\xE9" is e acute: a full 20-character password with one accented letter.
    const std::string accented = "pass\xE9" "012345678901234";
    auto bob = Connect();
    bob->SignIn(102, "582047", accented);
    EXPECT_EQ(bob->NextLetter(), 'V');
    ASSERT_TRUE(store->GotoClient(UsersKeyed, 102));
    EXPECT_EQ(Users().FieldByName("Password").AsText(), accented) << "not cut, not widened";
    EXPECT_EQ(std::string(ReadFixRecord(102).data(), 20), accented);
    bob->SignIn(102, accented);
    EXPECT_EQ(bob->NextLetter(), 'V') << "the new password lets its owner in again";

    // A single-byte password already in critical.fix is the one that signs in.
    {
        std::fstream fix(CriticalFixPath, std::ios::in | std::ios::out | std::ios::binary);
        fix.seekp(FixRecordOffset(103));
        fix.write("caf\xE9", 5);  // with its NUL
    }
    ASSERT_TRUE(Reload().empty());
    auto carol = Connect();
    carol->SignIn(103, "caf\xC3\xA9");
    EXPECT_EQ(carol->NextLetter(), 'P') << "UTF-8 bytes are other characters";
    carol->SignIn(103, "caf\xE9");
    EXPECT_EQ(carol->NextLetter(), 'V');

    // The operator's text goes out as the same single bytes.
    window->Memo2->setText(QStringLiteral("Caf\u00E9 ouvert"));
    window->BitBtn29Click();
    const auto info = carol->Next();
    ASSERT_TRUE(info && info->letter == 'I');
    EXPECT_EQ(ValueAs<std::string>(info->values, 0), "Caf\xE9 ouvert");
}

TEST_F(SignIn, SecondSignInReplacesTheVoiceSocketsAndMovesDelivery)
{
    auto first = Connect();
    first->SignIn(101);
    const auto firstReply = first->Next();
    ASSERT_TRUE(firstReply && firstReply->letter == 'V');
    const auto oldPort = static_cast<std::uint16_t>(ValueAs<std::int32_t>(firstReply->values, 0));

    auto second = Connect();
    second->SignIn(101);
    const auto secondReply = second->Next();
    ASSERT_TRUE(secondReply && secondReply->letter == 'V');
    const auto newPort = static_cast<std::uint16_t>(ValueAs<std::int32_t>(secondReply->values, 0));
    EXPECT_NE(newPort, oldPort);
    EXPECT_EQ(inside().voiceSockets.receiveHandle(101)->boundPort(), newPort);

    // Nothing listens on the old port any more: it can be bound again.
    net::UdpSocket probe;
    probe.setLocalAddress("127.0.0.1");
    probe.setLocalPort(oldPort);
    probe.allocate();
    EXPECT_NO_THROW(probe.bind());

    // Deliveries to 101 now reach the second connection only.
    second->Send('t', 1, {std::int32_t{101}});
    EXPECT_EQ(second->NextLetter(), 'T');
    window->BitBtn29Click();
    EXPECT_EQ(first->NextLetter(), 'I');
    EXPECT_EQ(second->NextLetter(), 'I');

    // The first connection closing leaves him online on the second; the second closing
    // takes him offline.
    first->socket().disconnectFromHost();
    ASSERT_TRUE(WaitUntil([&] { return window->ServerSocket1->ActiveConnections() == 1; }));
    EXPECT_EQ(StatusOf(101), "ONLINE");
    EXPECT_EQ(FixText(ReadFixRecord(101), 20, 8), "ONLINE");
    auto caller = SignedIn(102);
    caller->Send('C', 1, {std::int32_t{101}});
    EXPECT_EQ(second->NextLetter(), 'C') << "callers still reach him";
    second->socket().disconnectFromHost();
    ASSERT_TRUE(WaitUntil([&] { return StatusOf(101) == "OFFLINE"; }));
    EXPECT_EQ(FixText(ReadFixRecord(101), 20, 8), "OFFLINE");
}

TEST_F(SignIn, DisconnectSetsOfflineAndAnUnsignedOneWritesNothing)
{
    auto alice = SignedIn(101);
    alice->socket().disconnectFromHost();
    ASSERT_TRUE(WaitUntil([&] { return StatusOf(101) == "OFFLINE"; }));
    EXPECT_EQ(FixText(ReadFixRecord(101), 20, 8), "OFFLINE");
    ASSERT_TRUE(WaitUntil([&] { return inside().ClientSockets[100].isNull(); }))
        << "the freed connection object is no longer reachable";

    const auto before = ReadFixRecord(102);
    SetField(102, "Status", "ONLINE");  // a status the disconnect must not touch
    auto stranger = Connect();
    stranger->socket().disconnectFromHost();
    ASSERT_TRUE(WaitUntil([&] { return window->ServerSocket1->ActiveConnections() == 0; }));
    EXPECT_EQ(ReadFixRecord(102), before);
    EXPECT_EQ(StatusOf(102), "ONLINE");
}

TEST_F(SignIn, SendInfoGoesToEveryOpenConnectionWithTheMemosFirstLine)
{
    auto signedIn = SignedIn(101);
    auto stranger = Connect();

    window->BitBtn29Click();  // empty memo: "I" and a zero count
    EXPECT_EQ(stranger->TakeRaw(5), ByteString("I\0\0\0\0", 5));
    EXPECT_EQ(signedIn->TakeRaw(5), ByteString("I\0\0\0\0", 5));

    // The info field holds one line: Return makes no second one, so what was typed is sent.
    QTest::keyClick(window->Memo2, Qt::Key_Return);
    QTest::keyClicks(window->Memo2, "Maintenance at noon");
    QTest::keyClick(window->Memo2, Qt::Key_Return);
    window->BitBtn29Click();
    for (Subscriber* s : {signedIn.get(), stranger.get()}) {
        const auto info = s->Next();
        ASSERT_TRUE(info);
        EXPECT_EQ(info->letter, 'I');
        EXPECT_EQ(ValueAs<std::string>(info->values, 0), "Maintenance at noon");
    }
}

}  // namespace
}  // namespace parlino::test
