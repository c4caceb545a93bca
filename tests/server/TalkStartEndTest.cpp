#include "TalkTestSupport.h"

#include <map>

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
    auto carol = SignedIn(103);
    Answer(*alice, 101, *carol);
    carol->socket().disconnectFromHost();  // Carol answered and went offline
    ASSERT_TRUE(WaitUntil([&] { return StatusOf(103) == "OFFLINE"; }));
    RequestTalk(*alice, 101, 103);

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

    RequestTalk(*alice, 101, 999);  // no such account can have answered: no row at all
    EXPECT_EQ(SavedLog(101).size(), 1u);
    EXPECT_TRUE(inside().TalkList.empty());
}

TEST_F(TalkStartEnd, FloodOfStartsLetsOtherConnectionsInBetween)
{
    // Each start writes two call-log rows; a sender of many, answering and ending his own
    // calls to himself, gets them all handled, in order, but not before everybody else.
    constexpr int Starts = 100;
    auto flooder = SignedIn(101);
    auto bob = SignedIn(102);
    auto carol = SignedIn(103);
    StartTalk(*bob, 102, *carol, 103);  // keeps the relay running throughout
    auto other = Connect();
    ByteString flood;
    for (int i = 0; i < Starts; ++i) {
        flood += BuildMessage('A', 1, {std::int32_t{101}});
        flood += BuildMessage('S', 1, {std::int32_t{101}});
        flood += BuildMessage('T', 2, {std::int32_t{101}, std::int32_t{101}});
    }
    const auto flooderRows = [&] {
        EXPECT_TRUE(store->GotoClient(UsersKeyed, 101));
        return store->CurServDay.RecordCount();
    };
    flooder->SendRaw(flood);
    ASSERT_TRUE(WaitUntil([&] { return flooderRows() > 0; }));

    other->SignIn(105);
    ASSERT_EQ(other->NextLetter(), 'V');
    EXPECT_LT(flooderRows(), 2 * Starts) << "the sign-in waited for the whole flood";

    flooder->Send('b');
    std::string heard;
    for (char letter = '?'; letter != 'b' && letter != '\0' && heard.size() <= 3 * Starts;) {
        letter = flooder->NextLetter();
        heard += letter;
    }
    EXPECT_EQ(heard.size(), 3u * Starts + 1) << "every start answered, started and ended";
    EXPECT_EQ(flooderRows(), 2 * Starts);
    EXPECT_EQ(SavedLog(101).size(), static_cast<std::size_t>(2 * Starts));
    EXPECT_EQ(Payers(), std::vector<std::int32_t>{102});
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
    Answer(*stranger, 103, *bob);
    RequestTalk(*stranger, 103, 102);
    EXPECT_EQ(SavedLog(103).size(), 1u) << "the payer's row is saved before his status is tested";
    EXPECT_TRUE(SavedLog(102).empty());
    EXPECT_TRUE(inside().TalkList.empty());
    ExpectNothingBefore(*bob, 102);
}

TEST_F(TalkStartEnd, EndRemovesTheTalkOfThePayerAndTellsTheSecondNumber)
{
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    auto carol = SignedIn(103);
    auto line = SignedIn(801);
    StartTalk(*alice, 101, *bob, 102);
    StartTalk(*carol, 103, *line, 801);

    carol->Send('T', 2, {std::int32_t{102}, std::int32_t{101}});  // 102 pays for no talk
    ExpectNothingBefore(*alice, 101);
    EXPECT_EQ(inside().TalkList.size(), 2u);

    // The callee's drop names the caller twice: the talk of 101 goes, and 101 is told.
    bob->Send('T', 2, {std::int32_t{101}, std::int32_t{101}});
    EXPECT_EQ(alice->NextLetter(), 'T');
    ASSERT_EQ(inside().TalkList.size(), 1u);
    EXPECT_EQ(inside().TalkList[0]->Peer, 801);
    EXPECT_EQ(TalksColumn("ID2ID"), std::vector<std::string>{"103 > 801"});
    EXPECT_TRUE(window->Timer1->isActive());
    EXPECT_TRUE(inside().RelayThread);

    // The caller's own drop: "T" [caller, callee] tells the callee; the last talk stops
    // the timer and the relay.
    carol->Send('T', 2, {std::int32_t{103}, std::int32_t{801}});
    EXPECT_EQ(line->NextLetter(), 'T');
    EXPECT_TRUE(inside().TalkList.empty());
    EXPECT_TRUE(store->TalksTable.IsEmpty());
    EXPECT_FALSE(window->Timer1->isActive());
    EXPECT_FALSE(inside().RelayThread);
    EXPECT_EQ(SavedLog(101).size(), 1u) << "the logs keep their rows";
    EXPECT_EQ(SavedLog(103).size(), 1u);
}

// Who may start and who may end a talk. Each row's messages are sent in order, each handled
// before the next goes out; then the talks left and what every subscriber heard are compared.
TEST_F(TalkStartEnd, OnlyTheAnsweredCallerStartsATalkAndOnlyItsPartiesEndIt)
{
    struct Step {
        std::int32_t from;
        char letter;
        std::int32_t target;
        std::int32_t second = 0;  // "T": the party to tell
    };
    struct Row {
        const char* what;
        std::vector<Step> steps;
        std::vector<std::int32_t> payers;           // of the talks left
        std::map<std::int32_t, std::string> heard;  // letters each subscriber got, in order
    };
    const std::vector<Step> talk = {{101, 'C', 102}, {102, 'A', 101}, {101, 'S', 102}};
    const auto after = [&](std::initializer_list<Step> more) {
        std::vector<Step> steps = talk;
        steps.insert(steps.end(), more);
        return steps;
    };
    const Row rows[] = {
        {"an answered call", talk, {101}, {{101, "A"}, {102, "CS"}}},
        {"a call request, then a start at once",
         {{101, 'C', 102}, {101, 'S', 102}},
         {},
         {{102, "C"}}},
        {"a stranger's start while two talk",
         after({{103, 'S', 101}}),
         {101},
         {{101, "A"}, {102, "CS"}}},
        {"an answer from somebody else",
         {{101, 'C', 102}, {103, 'A', 101}, {101, 'S', 102}},
         {},
         {{101, "A"}, {102, "C"}}},
        {"a second start on one answer",
         after({{101, 'T', 101, 102}, {101, 'S', 102}}),
         {},
         {{101, "A"}, {102, "CST"}}},
        {"an answer withdrawn",
         {{101, 'C', 102}, {102, 'A', 101}, {102, 't', 101}, {101, 'S', 102}},
         {},
         {{101, "AT"}, {102, "C"}}},
        {"the answer of a party in a talk",
         after({{101, 'A', 103}, {103, 'S', 101}}),
         {101},
         {{101, "A"}, {102, "CS"}, {103, "A"}}},
        {"a stranger's end",
         after({{103, 'T', 101, 102}, {103, 'T', 101, 101}}),
         {101},
         {{101, "A"}, {102, "CS"}}},
        {"a stranger's cancel",
         after({{103, 't', 101}, {103, 't', 102}}),
         {101},
         {{101, "A"}, {102, "CS"}}},
        {"a party's end that names a stranger",
         after({{101, 'T', 101, 103}}),
         {},
         {{101, "A"}, {102, "CS"}}},
        {"an outside line's call",
         {{801, 'c', 101}, {101, 'A', 801}, {801, 'S', 101}},
         {801},
         {{101, "cS"}, {801, "A"}}},
    };
    std::map<std::int32_t, std::unique_ptr<Subscriber>> subscribers;
    for (std::int32_t id : {101, 102, 103, 801})
        subscribers[id] = SignedIn(id);
    // Everything the subscriber got before the reply to a balance request.
    const auto heardBy = [&](std::int32_t id) {
        Subscriber& subscriber = *subscribers.at(id);
        subscriber.Send('b');
        std::string heard;
        for (char letter = subscriber.NextLetter(); letter != 'b';
             letter = subscriber.NextLetter()) {
            if (letter == '\0' || heard.size() > 10)
                return heard + "?";
            heard += letter;
        }
        return heard;
    };
    for (const Row& row : rows) {
        std::map<std::int32_t, std::string> heard;
        for (const Step& step : row.steps) {
            Subscriber& sender = *subscribers.at(step.from);
            if (step.letter == 'T')
                sender.Send('T', 2, {step.target, step.second});
            else if (step.letter == 'c')
                sender.Send(
                    'c', 5,
                    {step.target, std::string("44"), std::string("20"), std::string("1"), true});
            else
                sender.Send(step.letter, 1, {step.target});
            heard[step.from] += heardBy(step.from);
        }
        for (auto& [id, subscriber] : subscribers)
            heard[id] += heardBy(id);
        std::erase_if(heard, [](const auto& entry) { return entry.second.empty(); });
        EXPECT_EQ(Payers(), row.payers) << row.what;
        EXPECT_EQ(heard, row.heard) << row.what;

        // The next row starts afresh: no talks, every phone signed in anew.
        window->DropAllTalks();
        store->TalksTable.Empty();
        for (auto& [id, subscriber] : subscribers) {
            subscriber->SignIn(id);
            ASSERT_EQ(subscriber->NextLetter(), 'V') << row.what;
        }
    }
}

TEST_F(TalkStartEnd, DropAllTalksStopsTheRelayAtOnceAndTheTimerAtTheNextTick)
{
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    auto carol = SignedIn(103);
    auto erin = SignedIn(105);
    StartTalk(*alice, 101, *bob, 102);
    StartTalk(*carol, 103, *erin, 105);

    window->DropAllTalks();
    EXPECT_FALSE(inside().RelayThread);
    EXPECT_TRUE(inside().TalkList.empty());
    EXPECT_TRUE(window->Timer1->isActive());
    EXPECT_EQ(store->TalksTable.RecordCount(), 2) << "the talks table is left to the caller";
    for (auto [subscriber, id] :
         {std::pair{alice.get(), 101}, {bob.get(), 102}, {carol.get(), 103}, {erin.get(), 105}})
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
