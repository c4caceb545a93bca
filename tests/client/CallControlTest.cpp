// The softphone's calls without a window: every state against every server message and
// button, the call clock, the duplex decision, DTMF and the talk button.
#include "CallTestSupport.h"

#include "client/ContactNames.h"
#include "client/PriceText.h"

#include <QLocale>

#include <limits>

namespace parlino::test {
namespace {

enum class Phase { Idle, Calling, Ringing, InTalk, BusyTone };

const char* Name(Phase phase)
{
    switch (phase) {
    case Phase::Idle: return "idle";
    case Phase::Calling: return "calling";
    case Phase::Ringing: return "ringing";
    case Phase::InTalk: return "in talk";
    case Phase::BusyTone: return "busy tone";
    }
    return "?";
}

std::string Flags(const CallState& s)
{
    std::string text;
    for (auto [on, name] : {std::pair{s.Calling, "calling"},
                            {s.Ringing, "ringing"},
                            {s.InTalk, "in talk"},
                            {s.BusyTone, "busy tone"}})
        if (on)
            text += text.empty() ? name : std::string("+") + name;
    return text.empty() ? "idle" : text;
}

class CallStateTest : public CallControlTest {
protected:
    // Brings the softphone into `phase` the way the server and the subscriber would.
    void Enter(Phase phase)
    {
        switch (phase) {
        case Phase::Idle: break;
        case Phase::Calling:
            view.dial = Dials(Peer);
            control.callClicked();
            break;
        case Phase::Ringing: Receive('C', 1, {Peer}); break;
        case Phase::InTalk:
            Enter(Phase::Calling);
            Receive('A');
            break;
        case Phase::BusyTone:
            Enter(Phase::Calling);
            Receive('B');
            break;
        }
        ASSERT_EQ(Flags(state), Name(phase));
        TakeSent();
        TakeLog();
    }
};

TEST_F(CallStateTest, EveryEventInEveryStateGoesToItsNextStateSendingAndLoggingWhatItShould)
{
    using P = Phase;
    const MessageValues caller{std::int32_t{300}};
    const MessageValues offer{std::string("Tokyo"), 0.25, true};
    struct Case {
        Phase from;
        const char* event;
        std::function<void()> run;
        Phase to;
        std::string sent;
        std::vector<QString> log;
    };
    const auto msg = [this](char letter, MessageValues values = {}) {
        return [this, letter, values] { Receive(letter, static_cast<int>(values.size()), values); };
    };
    const auto drop = [this] { control.dropClicked(); };
    const auto call = [this] { control.callClicked(); };
    // A call rings in while the Dialing dialog is open, which then answers OK.
    const auto ringWhileDialing = [this, msg, caller] {
        view.dial = Dials(Peer);
        view.whileOpen = msg('C', caller);
        control.callClicked();
    };
    const QString terminated = " Call terminated";
    const QString inbound = " Inbound call from 300...";
    const QString attempt = " Inbound call attempt from 300";
    const Case cases[] = {
        {P::Idle, "C", msg('C', caller), P::Ringing, "F", {inbound}},
        {P::Idle, "C while dialing, then OK", ringWhileDialing, P::Ringing, "F", {inbound}},
        {P::Calling, "C", msg('C', caller), P::Calling, "B", {attempt}},
        {P::Ringing, "C", msg('C', caller), P::Ringing, "B", {attempt}},
        {P::InTalk, "C", msg('C', caller), P::InTalk, "B", {attempt}},
        {P::BusyTone, "C", msg('C', caller), P::BusyTone, "B", {attempt}},
        {P::Calling, "F", msg('F'), P::Calling, "", {" Calling..."}},
        {P::Idle, "F", msg('F'), P::Idle, "", {}},
        {P::Ringing, "F", msg('F'), P::Ringing, "", {}},
        {P::Calling,
         "f",
         msg('f', offer),
         P::Calling,
         "",
         {" Calling (area: Tokyo, pay per minute: 0.250000000000000)..."}},
        {P::InTalk, "f", msg('f', offer), P::InTalk, "", {}},
        {P::Calling, "B", msg('B'), P::BusyTone, "", {" Busy"}},
        {P::Ringing, "B", msg('B'), P::Ringing, "", {}},
        {P::Calling, "A", msg('A'), P::InTalk, "S", {" Talk started"}},
        {P::Ringing, "A", msg('A'), P::Ringing, "", {}},
        {P::Ringing, "S", msg('S'), P::InTalk, "", {" Talk started"}},
        {P::Idle, "S", msg('S'), P::Idle, "T", {}},
        {P::Calling, "S", msg('S'), P::Calling, "T", {}},
        {P::InTalk, "S", msg('S'), P::InTalk, "T", {}},
        {P::BusyTone, "S", msg('S'), P::BusyTone, "T", {}},
        {P::Calling, "T", msg('T'), P::Idle, "", {terminated}},
        {P::Ringing, "T", msg('T'), P::Idle, "", {terminated}},
        {P::InTalk, "T", msg('T'), P::Idle, "", {terminated}},
        {P::BusyTone, "T", msg('T'), P::BusyTone, "", {}},
        {P::Idle, "T", msg('T'), P::Idle, "", {}},
        {P::Calling, "Z", msg('Z'), P::Idle, "", {" Calling party service suspended", terminated}},
        {P::InTalk, "Z", msg('Z'), P::Idle, "", {" Calling party service suspended", terminated}},
        {P::Ringing, "Z", msg('Z'), P::Ringing, "", {}},
        {P::BusyTone, "Z", msg('Z'), P::BusyTone, "", {}},
        {P::Calling, "z", msg('z'), P::Idle, "", {" Called party service suspended", terminated}},
        {P::InTalk, "z", msg('z'), P::InTalk, "", {}},
        {P::Ringing, "z", msg('z'), P::Ringing, "", {}},
        {P::Idle, "N", msg('N'), P::Idle, "", {" Number or line not found"}},
        {P::Calling, "N", msg('N'), P::Idle, "", {" Number or line not found", terminated}},
        {P::Ringing, "N", msg('N'), P::Idle, "", {" Number or line not found", terminated}},
        {P::InTalk, "N", msg('N'), P::Idle, "", {" Number or line not found", terminated}},
        {P::BusyTone, "N", msg('N'), P::Idle, "", {" Number or line not found"}},
        {P::Idle, "O", msg('O'), P::Idle, "", {" Called party is offline"}},
        {P::Calling, "O", msg('O'), P::Idle, "", {" Called party is offline", terminated}},
        {P::Ringing, "O", msg('O'), P::Idle, "", {" Called party is offline", terminated}},
        {P::InTalk, "O", msg('O'), P::Idle, "", {" Called party is offline", terminated}},
        {P::BusyTone, "O", msg('O'), P::Idle, "", {" Called party is offline"}},
        {P::Idle, "Drop", drop, P::Idle, "", {}},
        {P::Calling, "Drop", drop, P::Idle, "t", {terminated}},
        {P::Ringing, "Drop", drop, P::Idle, "t", {terminated}},
        {P::InTalk, "Drop", drop, P::Idle, "T", {terminated}},
        {P::BusyTone, "Drop", drop, P::Idle, "", {}},
        {P::Ringing, "Call", call, P::Ringing, "A", {}},
        {P::Calling, "Call", call, P::Calling, "", {}},
        {P::InTalk, "Call", call, P::InTalk, "", {}},
        {P::BusyTone, "Call", call, P::BusyTone, "", {}},
        {P::Idle, "V", msg('V', {std::int32_t{40000}}), P::Idle, "", {}},
        {P::Ringing, "b", msg('b', {12.5}), P::Ringing, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(Name(c.from)) + " + " + c.event);
        state.clear();
        view = RecordingCallView{};
        Enter(c.from);
        c.run();
        EXPECT_EQ(Flags(state), Name(c.to));
        EXPECT_EQ(TakeSentLetters(), c.sent);
        EXPECT_EQ(TakeLog(), c.log);
        // A marker never outlives the drop it was set for.
        EXPECT_FALSE(state.RemoteDrop);
        EXPECT_FALSE(state.ErrorDrop);
        if (c.to == P::Idle) {
            EXPECT_EQ(view.soundInterval, 0);
            EXPECT_FALSE(view.rateTimer);
            EXPECT_FALSE(view.talkEnabled);
        }
        if (c.to == P::InTalk) {
            EXPECT_EQ(view.soundInterval, 0);  // no ring or ring-back through the talk
            EXPECT_TRUE(view.rateTimer);
        }
        if (c.to == P::Idle && c.from != P::Idle) {
            EXPECT_TRUE(view.balanceEnabled && view.callEnabled && view.dropEnabled);
            EXPECT_EQ(view.played.back(), CallSound::None);
        }
    }
}

TEST_F(CallStateTest, CallProgressSoundsRepeatAtTheirIntervalsUntilTheDrop)
{
    Enter(Phase::Calling);
    Receive('F');
    EXPECT_EQ(view.soundInterval, 3500);
    control.soundTick();
    EXPECT_EQ(view.played.back(), CallSound::Answer);
    Receive('B');
    EXPECT_EQ(view.soundInterval, 700);
    control.soundTick();
    EXPECT_EQ(view.played.back(), CallSound::Busy);
    control.dropClicked();
    EXPECT_EQ(view.soundInterval, 0);
    EXPECT_EQ(view.played.back(), CallSound::None);
    // A tick already queued when the timer stopped plays nothing.
    const std::size_t plays = view.played.size();
    control.soundTick();
    EXPECT_EQ(view.played.size(), plays);

    Receive('C', 1, {Peer});
    EXPECT_EQ(view.soundInterval, 3000);
    EXPECT_EQ(state.CurrentSound, CallSound::RingIn);
    EXPECT_EQ(view.restored, 1);
    EXPECT_FALSE(view.balanceEnabled);
    control.callClicked();  // answering stops the ring at once
    EXPECT_EQ(view.soundInterval, 0);
    EXPECT_EQ(view.played.back(), CallSound::None);
}

TEST_F(CallStateTest, TalkEndNamesThePayerFirst)
{
    Enter(Phase::InTalk);  // 101 called 205
    control.dropClicked();
    auto sent = TakeSent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(ValueAs<std::int32_t>(sent[0].values, 0), Own);
    EXPECT_EQ(ValueAs<std::int32_t>(sent[0].values, 1), Peer);

    // 101 calls 205 here, so this softphone is 205 and its caller pays.
    shared.OwnClientID = Peer;
    Receive('C', 1, {Own});
    control.callClicked();
    Receive('S');
    TakeSent();
    control.dropClicked();
    sent = TakeSent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].letter, 'T');
    EXPECT_EQ(ValueAs<std::int32_t>(sent[0].values, 0), Own);
    EXPECT_EQ(ValueAs<std::int32_t>(sent[0].values, 1), Own);
}

TEST_F(CallStateTest, ATalkStartedAfterTheDropIsEndedOnceAndADroppedTalkStaysQuiet)
{
    Enter(Phase::Ringing);
    control.callClicked();
    control.callClicked();  // answering twice sends twice
    EXPECT_EQ(TakeSentLetters(), "AA");
    control.dropClicked();  // the callee gives up before the talk starts
    EXPECT_EQ(TakeSentLetters(), "t");
    Receive('S');
    const auto sent = TakeSent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].letter, 'T');
    EXPECT_EQ(ValueAs<std::int32_t>(sent[0].values, 0), Peer);
    EXPECT_EQ(ValueAs<std::int32_t>(sent[0].values, 1), Peer);

    // A socket error's drop leaves its marker to the handler, which clears it after.
    state.ErrorDrop = true;
    Receive('S');
    EXPECT_EQ(TakeSentLetters(), "");
    EXPECT_FALSE(state.ErrorDrop);
}

TEST_F(CallStateTest, ThePriceOfferSetsTheDuplexFlagInEveryState)
{
    for (Phase phase :
         {Phase::Idle, Phase::Calling, Phase::Ringing, Phase::InTalk, Phase::BusyTone}) {
        for (bool full : {true, false}) {
            SCOPED_TRACE(std::string(Name(phase)) + (full ? " full" : " half"));
            state.clear();
            state.LineFullDuplex = !full;
            Enter(phase);
            Receive('f', 3, {std::string("Area"), 1.0, full});
            EXPECT_EQ(state.LineFullDuplex, full);
            EXPECT_EQ(Flags(state), Name(phase));
            EXPECT_EQ(TakeSentLetters(), "");
        }
    }
}

TEST_F(CallControlTest, OnlyOutsideLinesWithoutFullDuplexTalkHalfDuplex)
{
    struct Case {
        std::int32_t account;
        bool fullDuplex;
        bool halfDuplex;
    };
    constexpr std::int32_t Lowest = std::numeric_limits<std::int32_t>::min();
    const Case cases[] = {{805, false, true},    {805, true, false},  {801, false, true},
                          {899, false, true},    {800, false, false}, {900, false, false},
                          {Lowest, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.account) + (c.fullDuplex ? " full" : " half"));
        state.clear();
        voice.events.clear();
        Receive('c', 5,
                {c.account, std::string("1"), std::string("212"), std::string("5550100"),
                 c.fullDuplex});
        ASSERT_TRUE(state.Ringing);
        control.callClicked();
        state.TalkPressed = true;  // left from an earlier talk
        Receive('S');
        ASSERT_TRUE(state.InTalk);
        EXPECT_EQ(state.HalfDuplex, c.halfDuplex);
        EXPECT_EQ(view.talkEnabled, c.halfDuplex);
        if (c.halfDuplex) {
            EXPECT_FALSE(state.TalkPressed);
        }
        EXPECT_EQ(voice.events, std::vector<std::string>{"start"});
        control.dropClicked();
    }
    const auto log = TakeLog();
    const QString line5 = " Inbound call from outside number (line 5):\r\nCountry code: 1\r\n"
                          "Area code: 212\r\nLocal number: 5550100...";
    EXPECT_NE(std::find(log.begin(), log.end(), line5), log.end());
}

TEST_F(CallControlTest, AnOutsideCallWhileBusyIsRefusedWithItsNumberLogged)
{
    Receive('C', 1, {Peer});
    TakeSent();
    TakeLog();
    Receive('c', 5,
            {std::int32_t{812}, std::string("44"), std::string("20"), std::string("7946"), true});
    const auto sent = TakeSent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].letter, 'B');
    EXPECT_EQ(ValueAs<std::int32_t>(sent[0].values, 0), 812);
    EXPECT_EQ(TakeLog(),
              std::vector<QString>{" Inbound call attempt from outside number (line 12):\r\n"
                                   "Country code: 44\r\nArea code: 20\r\nLocal number: 7946"});
    EXPECT_EQ(state.PeerNumber, Peer);
    EXPECT_TRUE(state.LineFullDuplex);
}

TEST_F(CallControlTest, TheCallClockStartsAtTheMidpointAndOnlyForACallThatRings)
{
    counter.set(1000);
    view.dial = Dials(Peer);
    control.callClicked();
    EXPECT_EQ(state.CallSentStamp, 1000);
    counter.set(3001);
    Receive('F');
    EXPECT_EQ(state.CallTimeBase, 2000);  // (1000 + 3001) / 2, rounded down
    counter.set(5000);
    Receive('f', 3, {std::string("A"), 0.1, true});
    EXPECT_EQ(state.CallTimeBase, 3000);
    Receive('A');
    ASSERT_TRUE(state.InTalk);

    // A call refused busy during the talk leaves the talk's clock alone.
    counter.set(9000);
    Receive('C', 1, {std::int32_t{300}});
    Receive('c', 5, {std::int32_t{805}, std::string(), std::string(), std::string(), false});
    EXPECT_EQ(state.CallTimeBase, 3000);
    control.dropClicked();

    // The callee's clock starts when the call comes in.
    counter.set(12345);
    Receive('C', 1, {std::int32_t{300}});
    EXPECT_EQ(state.CallTimeBase, 12345);
}

TEST_F(CallControlTest, DialingASubscriberAnOutsideNumberOrTheLinesOrders)
{
    shared.Contacts = {"Ann=205", "Bob=205", "Cy=1205"};
    view.dial = [](DialedNumber&) { return false; };
    control.callClicked();
    EXPECT_TRUE(state.Idle());
    EXPECT_EQ(state.PeerNumber, 0);
    EXPECT_EQ(TakeSentLetters(), "");

    view.dial = Dials(Peer);
    control.callClicked();
    auto sent = TakeSent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].letter, 'C');
    EXPECT_EQ(ValueAs<std::int32_t>(sent[0].values, 0), Peer);
    EXPECT_EQ(state.CallOwner, Own);
    EXPECT_TRUE(state.Calling);
    EXPECT_FALSE(view.balanceEnabled);
    EXPECT_EQ(TakeLog(), std::vector<QString>{" Dialing Client_ID number 205 (Ann, Bob)..."});
    control.dropClicked();
    TakeSent();
    TakeLog();

    state.LineFullDuplex = true;
    view.dial = Dials(807, "5550100", "", "1");
    control.callClicked();
    sent = TakeSent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].letter, 'c');
    EXPECT_EQ(ValueAs<std::int32_t>(sent[0].values, 0), 807);
    EXPECT_EQ(ValueAs<std::string>(sent[0].values, 1), "1");
    EXPECT_EQ(ValueAs<std::string>(sent[0].values, 2), "213");
    EXPECT_EQ(ValueAs<std::string>(sent[0].values, 3), "5550100");
    EXPECT_TRUE(ValueAs<bool>(sent[0].values, 4));
    EXPECT_TRUE(state.Calling);
    EXPECT_EQ(TakeLog(),
              std::vector<QString>{" Dialing outside phone number 1-213-5550100 (line 7)..."});
    control.dropClicked();
    TakeSent();
    TakeLog();

    // An outside line without a local number: its time slots are asked for.
    view.dial = Dials(807);
    control.callClicked();
    EXPECT_EQ(TakeSentLetters(), "q");
    EXPECT_EQ(TakeLog(), std::vector<QString>{" Querying orders (line 7)..."});
    EXPECT_TRUE(state.Idle());
    EXPECT_FALSE(view.balanceEnabled || view.callEnabled || view.dropEnabled);
    Receive('N');  // the refusal's drop gives the buttons back
    EXPECT_TRUE(view.balanceEnabled && view.callEnabled && view.dropEnabled);
}

TEST_F(CallControlTest, DtmfDigitsGoToTheLineCutTo40AndAnythingElseIsRefusedSilently)
{
    Receive('c', 5, {std::int32_t{803}, std::string(), std::string(), std::string(), true});
    control.callClicked();
    Receive('S');
    TakeSent();
    TakeLog();
    struct Case {
        QString entered;
        bool sent;
        std::string digits;
    };
    const Case cases[] = {
        {"12#*", true, "12#*"},
        {"12a4", false, ""},
        {QString(45, '7'), true, std::string(40, '7')},
        {QString(40, '1') + "x", true, std::string(40, '1')},  // the cut comes before the check
        {"", true, ""},                                        // a cancelled box sends no digits
        {QString::fromUtf8("1\u20ac"), false, ""},
        {"1 2", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entered.toStdString());
        view.input = c.entered;
        control.callClicked();
        const auto sent = TakeSent();
        const auto log = TakeLog();
        if (!c.sent) {
            EXPECT_TRUE(sent.empty());
            EXPECT_TRUE(log.empty());
            continue;
        }
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].letter, 'd');
        EXPECT_EQ(ValueAs<std::int32_t>(sent[0].values, 0), 803);
        EXPECT_EQ(ValueAs<std::string>(sent[0].values, 1), c.digits);
        EXPECT_EQ(log,
                  std::vector<QString>{" DTMF digit generation: " + QString::fromLatin1(c.digits)});
    }
    EXPECT_EQ(view.inputs.front(), "DTMF Mode / Generate DTMF digits: / ");
    EXPECT_TRUE(state.InTalk);

    // The line hangs up while the box is open: the digits have no talk to go to.
    view.input = "12";
    view.whileOpen = [this] { Receive('T'); };
    control.callClicked();
    EXPECT_EQ(TakeSentLetters(), "");
    EXPECT_EQ(TakeLog(), std::vector<QString>{" Call terminated"});
}

TEST_F(CallControlTest, TheTalkButtonTurnsTheLineAroundAndTheDropResumesWhatItHeld)
{
    Receive('c', 5, {std::int32_t{805}, std::string(), std::string(), std::string(), false});
    control.callClicked();
    Receive('S');
    TakeSent();
    voice.events.clear();
    shared.CounterAvailable = true;

    control.rateTick();
    EXPECT_EQ(view.sendingRate, "8 Hz");
    EXPECT_EQ(view.receivingRate, "7 Hz");
    EXPECT_EQ(view.level, 0);  // the level shows only while the button is held
    control.talkPressed();
    EXPECT_TRUE(state.TalkPressed);
    control.rateTick();
    EXPECT_EQ(view.level, 4);
    control.talkReleased();
    EXPECT_FALSE(state.TalkPressed);
    EXPECT_EQ(view.level, 0);
    control.talkPressed();
    auto sent = TakeSent();
    ASSERT_EQ(sent.size(), 3u);
    for (const SentMessage& m : sent) {
        EXPECT_EQ(m.letter, 'L');
        EXPECT_EQ(ValueAs<std::int32_t>(m.values, 0), 805);
    }
    control.dropClicked();
    EXPECT_EQ(voice.events,
              (std::vector<std::string>{"suspend", "resume", "suspend", "stop threads",
                                        "close devices"}));
    EXPECT_FALSE(view.talkEnabled);
    EXPECT_FALSE(view.rateTimer);
    // The release after the drop finds the button disabled.
    control.talkReleased();
    EXPECT_EQ(TakeSentLetters(), "T");
    EXPECT_EQ(voice.events.size(), 5u);

    // Without the counter the rates are not shown.
    shared.CounterAvailable = false;
    view.sendingRate.clear();
    control.rateTick();
    EXPECT_TRUE(view.sendingRate.isEmpty());
}

TEST_F(CallControlTest, ClosingDropsACallWithItsMessageButNotTheBusyTone)
{
    view.dial = Dials(Peer);
    control.callClicked();
    TakeSent();
    state.RemoteDrop = true;  // left set: the close clears it so that the peer is told
    control.dropBeforeClose();
    EXPECT_EQ(TakeSentLetters(), "t");
    EXPECT_TRUE(state.Idle());

    control.callClicked();
    Receive('B');
    TakeSent();
    control.dropBeforeClose();
    EXPECT_TRUE(state.BusyTone);
    EXPECT_EQ(TakeSentLetters(), "");
}

TEST_F(CallControlTest, MoneyAndOrderRepliesReachTheirHooksOnlyInTheirStates)
{
    struct Recorder : AccountReplies {
        void BalanceReport(double b) override { calls.push_back("b " + std::to_string(b)); }
        void TopUpAccepted() override { calls.push_back("v"); }
        void TopUpRefused() override { calls.push_back("p"); }
        void OrderPlaced() override { calls.push_back("w"); }
        void OrderFailed() override { calls.push_back("0"); }
        void OrderTable(const std::string& s, double t) override
        {
            calls.push_back("r " + s + " " + std::to_string(t));
        }
        std::vector<std::string> calls;
    } replies;
    control.setAccountReplies(&replies);
    const auto all = [&] {
        Receive('b', 1, {2.5});
        Receive('v');
        Receive('p');
        Receive('w');
        Receive('0');
        Receive('r', 2, {std::string("AB"), 1.5});
    };
    all();
    EXPECT_EQ(replies.calls,
              (std::vector<std::string>{"b 2.500000", "v", "p", "w", "0", "r AB 1.500000"}));
    replies.calls.clear();
    Receive('C', 1, {Peer});  // ringing: the top-up and the orders' replies
    all();
    EXPECT_EQ(replies.calls,
              (std::vector<std::string>{"b 2.500000", "v", "p", "w", "0", "r AB 1.500000"}));
    replies.calls.clear();
    control.callClicked();
    Receive('S');  // in a talk: no orders placed or failed
    all();
    EXPECT_EQ(replies.calls, (std::vector<std::string>{"b 2.500000", "v", "p", "r AB 1.500000"}));
    EXPECT_EQ(TakeLog().size(), 2u);  // the ring and the talk start only
}

TEST_F(CallControlTest, InformationGoesToTheMemoAsSingleByteText)
{
    Receive('I', 1, {std::string("Caf\xe9 open")});
    EXPECT_EQ(view.info, std::vector<QString>{QString::fromUtf8("Caf\u00e9 open")});
}

TEST(ContactNamesTest, NamesAreThoseOfLinesEndingInEqualsAndExactlyTheNumber)
{
    const QStringList contacts = {"Ann=101", "Cy=1101", "Bob=101", "101",
                                  "=101",    "Dee=10",  "Eve=101 "};
    EXPECT_EQ(ContactNames(contacts, 101), " (Ann, Bob, )");
    EXPECT_EQ(ContactNames({"Ann=101", "Bob=101", "Cy=1101"}, 101), " (Ann, Bob)");
    EXPECT_EQ(ContactNames({"Cy=1101"}, 101), "");
    EXPECT_EQ(ContactNames({}, 101), "");
    EXPECT_EQ(ContactNames({"Minus=-5"}, -5), " (Minus)");
}

TEST(PriceTextTest, FifteenSignificantDigitsShownWithFifteenDecimals)
{
    struct Case {
        double price;
        QChar separator;
        const char* text;
    };
    const Case cases[] = {
        {0.15, '.', "0.150000000000000"},
        {0.15, ',', "0,150000000000000"},
        {0.1 + 0.2, '.', "0.300000000000000"},
        {0.0, '.', "0.000000000000000"},
        {-2.5, '.', "-2.500000000000000"},
        {1234.5678, '.', "1234.567800000000000"},
        {1.0 / 3.0, '.', "0.333333333333333"},
        {2.0 / 3.0, '.', "0.666666666666667"},
        {0.0000000000000004, '.', "0.000000000000000"},
        {0.0000000000000006, '.', "0.000000000000001"},
        {999999999999999.0, '.', "999999999999999.000000000000000"},
        {1e15, '.', "1.00000000000000E+15"},
        {std::numeric_limits<double>::infinity(), '.', "INF"},
        {std::numeric_limits<double>::quiet_NaN(), '.', "NAN"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(PriceText(c.price, c.separator), QString::fromLatin1(c.text));
    }
}

}  // namespace
}  // namespace parlino::test
