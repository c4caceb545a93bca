#include "TalkTestSupport.h"

namespace parlino::test {
namespace {

using TalkStartEnd = TalkTest;

TEST_F(TalkStartEnd, StartLogsBothPartiesAddsTheTalkAndTellsOnlyThePeer)
{
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    StartTalk(*alice, 101, *bob, 102);

    const std::vector<LogRow> payerLog = SavedLog(101);
    ASSERT_EQ(payerLog.size(), 1u);
    EXPECT_EQ(payerLog[0].serverDay, 8);
    EXPECT_EQ(payerLog[0].callType, ">");
    EXPECT_EQ(payerLog[0].otherParty, 102);
    EXPECT_EQ(payerLog[0].duration, 0);
    EXPECT_DOUBLE_EQ(payerLog[0].date, 45000.0);
    EXPECT_DOUBLE_EQ(payerLog[0].time, 0.75);
    const std::vector<LogRow> peerLog = SavedLog(102);
    ASSERT_EQ(peerLog.size(), 1u);
    EXPECT_EQ(peerLog[0].callType, "<");
    EXPECT_EQ(peerLog[0].otherParty, 101);

    EXPECT_EQ(TalksColumn("ID2ID"), std::vector<std::string>{"101 > 102"});
    EXPECT_EQ(TalksColumn("IP2IP"), std::vector<std::string>{"127.0.0.1 > 127.0.0.1"});
    EXPECT_EQ(TalksColumn("N2N"), std::vector<std::string>{"Alice > Bob"});
    EXPECT_EQ(TalksColumn("Loc2Loc"), std::vector<std::string>{"Office > Office"});
    EXPECT_EQ(TalksColumn("Duration"), std::vector<std::string>{"0"});

    ASSERT_EQ(inside().TalkList.size(), 1u);
    EXPECT_EQ(inside().TalkList[0]->Payer, 101);
    EXPECT_EQ(inside().TalkList[0]->Peer, 102);
    EXPECT_TRUE(window->Timer1->isActive());
    EXPECT_TRUE(inside().RelayThread);
}

TEST_F(TalkStartEnd, PeerNotOnlineLeavesBothLogRowsAtZeroMinutesAndNoTalk)
{
    auto alice = SignedIn(101);
    RequestTalk(*alice, 101, 103);  // Carol has not signed in

    ASSERT_EQ(SavedLog(101).size(), 1u);
    EXPECT_EQ(SavedLog(101)[0].otherParty, 103);
    EXPECT_EQ(SavedLog(101)[0].duration, 0);
    ASSERT_EQ(SavedLog(103).size(), 1u);
    EXPECT_EQ(SavedLog(103)[0].callType, "<");
    EXPECT_EQ(SavedLog(103)[0].duration, 0);
    EXPECT_TRUE(inside().TalkList.empty());
    EXPECT_TRUE(store->TalksTable.IsEmpty());
    EXPECT_FALSE(window->Timer1->isActive());
    EXPECT_FALSE(inside().RelayThread);

    RequestTalk(*alice, 101, 999);  // no such account: only the payer's row
    EXPECT_EQ(SavedLog(101).size(), 2u);
    EXPECT_TRUE(inside().TalkList.empty());
}

TEST_F(TalkStartEnd, FloodOfStartsLetsOtherConnectionsInBetween)
{
    // Each start towards a peer who is offline writes and syncs both call logs; a sender
    // of many gets them all handled, in order, but not before everybody else.
    constexpr int Starts = 200;
    auto flooder = SignedIn(101);
    auto other = Connect();
    ByteString flood;
    for (int i = 0; i < Starts; ++i)
        flood += BuildMessage('S', 1, {std::int32_t{102}});
    const auto payerRows = [&] {
        EXPECT_TRUE(store->GotoClient(UsersKeyed, 101));
        return store->CurServDay.RecordCount();
    };
    flooder->SendRaw(flood);
    ASSERT_TRUE(WaitUntil([&] { return payerRows() > 0; }));

    other->SignIn(103);
    ASSERT_EQ(other->NextLetter(), 'V');
    EXPECT_LT(payerRows(), Starts) << "the sign-in waited for the whole flood";

    flooder->Send('t', 1, {std::int32_t{101}});
    const auto reply = flooder->Next(60000);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->letter, 'T');
    EXPECT_EQ(payerRows(), Starts);
    EXPECT_EQ(SavedLog(101).size(), static_cast<std::size_t>(Starts));
    EXPECT_TRUE(inside().TalkList.empty());
}

TEST_F(TalkStartEnd, PayerMustBeSignedInAndOnline)
{
    auto bob = SignedIn(102);
    auto stranger = Connect();
    stranger->Send('S', 1, {std::int32_t{102}});
    stranger->SignIn(103);  // answered only after the "S" has been handled
    EXPECT_EQ(stranger->NextLetter(), 'V');
    EXPECT_TRUE(SavedLog(102).empty()) << "a connection without a user starts nothing";
    EXPECT_TRUE(SavedLog(103).empty());

    SetField(103, "Status", "AWAY");
    RequestTalk(*stranger, 103, 102);
    EXPECT_EQ(SavedLog(103).size(), 1u) << "the payer's row is saved before his status is tested";
    EXPECT_TRUE(SavedLog(102).empty());
    EXPECT_TRUE(inside().TalkList.empty());
    ExpectNothingBefore(*bob, 102);
}

TEST_F(TalkStartEnd, EndRemovesTheFirstTalkOfThePayerAndTellsTheSecondNumber)
{
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    auto carol = SignedIn(103);
    StartTalk(*alice, 101, *bob, 102);
    StartTalk(*alice, 101, *carol, 103);

    carol->Send('T', 2, {std::int32_t{103}, std::int32_t{101}});  // 103 pays for no talk
    ExpectNothingBefore(*alice, 101);
    EXPECT_EQ(inside().TalkList.size(), 2u);

    // The peer named in the message is not compared: the first talk of 101 goes.
    carol->Send('T', 2, {std::int32_t{101}, std::int32_t{101}});
    EXPECT_EQ(alice->NextLetter(), 'T');
    ASSERT_EQ(inside().TalkList.size(), 1u);
    EXPECT_EQ(inside().TalkList[0]->Peer, 103);
    EXPECT_EQ(TalksColumn("ID2ID"), std::vector<std::string>{"101 > 103"});
    EXPECT_TRUE(window->Timer1->isActive());
    EXPECT_TRUE(inside().RelayThread);

    // The caller's own drop: "T" [caller, callee] tells the callee; the last talk stops
    // the timer and the relay.
    alice->Send('T', 2, {std::int32_t{101}, std::int32_t{103}});
    EXPECT_EQ(carol->NextLetter(), 'T');
    EXPECT_TRUE(inside().TalkList.empty());
    EXPECT_TRUE(store->TalksTable.IsEmpty());
    EXPECT_FALSE(window->Timer1->isActive());
    EXPECT_FALSE(inside().RelayThread);
    EXPECT_EQ(SavedLog(101).size(), 2u) << "the logs keep their rows";
}

TEST_F(TalkStartEnd, DropAllTalksStopsTheRelayAtOnceAndTheTimerAtTheNextTick)
{
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    auto carol = SignedIn(103);
    StartTalk(*alice, 101, *bob, 102);
    StartTalk(*carol, 103, *bob, 102);

    window->DropAllTalks();
    EXPECT_FALSE(inside().RelayThread);
    EXPECT_TRUE(inside().TalkList.empty());
    EXPECT_TRUE(window->Timer1->isActive());
    EXPECT_EQ(store->TalksTable.RecordCount(), 2) << "the talks table is left to the caller";
    for (auto [subscriber, id] : {std::pair{alice.get(), 101}, {bob.get(), 102}, {carol.get(), 103}})
        ExpectNothingBefore(*subscriber, id);

    Tick();
    EXPECT_FALSE(window->Timer1->isActive());
    EXPECT_FALSE(inside().RelayThread);

    // A new talk after that starts everything again.
    StartTalk(*alice, 101, *bob, 102);
    EXPECT_TRUE(window->Timer1->isActive());
    EXPECT_TRUE(inside().RelayThread);
}

}  // namespace
}  // namespace parlino::test
