#include "SignallingTestSupport.h"

#include "server/ZeltServerClientWinSocket.h"

#include <algorithm>
#include <random>

namespace parlino::test {
namespace {

using Connections = SignallingTest;

TEST_F(Connections, MessagesSplitAndJoinedAcrossReadsAreAllHandled)
{
    auto alice = Connect();
    const ByteString signIn =
        BuildMessage('P', 4, {std::int32_t{40000}, std::int32_t{101}, std::string("582047"), std::string()});
    const ByteString cancel = BuildMessage('t', 1, {std::int32_t{101}});
    alice->SendRaw(signIn.substr(0, 3));
    ASSERT_TRUE(WaitUntil([&] { return window->ServerSocket1->ActiveConnections() == 1; }));
    alice->SendRaw(signIn.substr(3, 9));
    alice->SendRaw(signIn.substr(12) + "Q" + cancel + cancel);
    EXPECT_EQ(alice->NextLetter(), 'V');
    EXPECT_EQ(alice->NextLetter(), 'T') << "the unknown Q is dropped silently";
    EXPECT_EQ(alice->NextLetter(), 'T');
}

TEST_F(Connections, RandomBytesNeverBringTheServerDown)
{
    ui::ScopedDialogResponder dialogs(ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok));
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::unique_ptr<Subscriber>> noisy;
    for (int round = 0; round < 4; ++round) {
        auto& noise = noisy.emplace_back(Connect());
        ByteString junk;
        for (int i = 0; i < 20000; ++i)
            junk.push_back(static_cast<char>(byte(random)));
        noise->SendRaw(junk);
    }
    // The server still signs subscribers in and routes their calls.
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    alice->Send('C', 1, {std::int32_t{102}});
    const auto call = bob->Next();
    ASSERT_TRUE(call);
    EXPECT_EQ(call->letter, 'C');
    window->errorDisplay().showPending();
    for (const auto& request : dialogs.requests())
        ADD_FAILURE() << "shown: " << request.text.toStdString();
}

TEST_F(Connections, AConnectionThatAnnouncesAHugeTextIsClosed)
{
    auto hostile = Connect();
    auto alice = SignedIn(101);
    hostile->SendRaw(ByteString("p\x00\x00\x00\x40", 5));  // a PIN of 1 GiB
    const ByteString filler(256 * 1024, 'x');
    for (int i = 0; i < 5; ++i)
        hostile->SendRaw(filler);
    ASSERT_TRUE(WaitUntil([&] { return hostile->socket().state() == QAbstractSocket::UnconnectedState; }, 10000));
    EXPECT_EQ(window->ServerSocket1->ActiveConnections(), 1);
    ExpectNothingBefore(*alice, 101);
}

TEST_F(Connections, AFloodIsTakenInOnlyAsFastAsItIsHandled)
{
    auto flooder = Connect();
    const auto& connection = static_cast<const TZeltServerClientWinSocket&>(
        *window->ServerSocket1->Connections(0));
    // Digits for nobody, 8 MiB of them: handled in slices, and delivered nowhere.
    ByteString flood;
    while (flood.size() < (8u << 20))
        flood += BuildMessage('d', 2, {std::int32_t{0}, std::string(1000, '5')});
    std::size_t mostWaiting = 0;
    flooder->SendRaw(flood);
    flooder->SignIn(101);  // answered once every request before it has been handled
    ASSERT_TRUE(WaitUntil(
        [&] {
            mostWaiting = std::max(mostWaiting, connection.InBuffer.size());
            return flooder->socket().bytesAvailable() > 0;
        },
        60000));
    EXPECT_EQ(flooder->NextLetter(), 'V');
    EXPECT_LE(mostWaiting, MaxUnhandledInput + tcp::ReadAheadBytes);
}

}  // namespace
}  // namespace parlino::test
