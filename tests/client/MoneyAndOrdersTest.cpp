// The balance, the PIN payment and the orders of an outside line, behind the reply
// dispatcher, with a recorder for the window and a stand-in for the computer's clock.
#include "CallTestSupport.h"
#include "QtWait.h"
#include "StandInClock.h"

#include "client/MoneyAndOrders.h"

#include <cmath>
#include <limits>

namespace parlino::test {
namespace {

class RecordingMoneyView : public MoneyView {
public:
    explicit RecordingMoneyView(RecordingCallView& calls) : calls_(calls) {}

    void addLogEntry(const QString& text) override { calls_.addLogEntry(text); }
    void setCallButtonsEnabled(bool enabled) override { calls_.setCallButtonsEnabled(enabled); }
    void setBalanceEnabled(bool enabled) override { calls_.setBalanceEnabled(enabled); }
    QString longTimeFormat() const override { return QStringLiteral("hh:mm:ss"); }
    bool runBalance(bool& pay, QString& pin) override
    {
        ++balanceDialogs;
        pay = balancePay;
        pin = balancePin;
        return balanceOk;
    }
    bool runOrders(const QString& caption, std::int32_t orderOld, std::int32_t& orderNew,
                   const QStringList& slotRows) override
    {
        orderCaptions.push_back(caption);
        shownOld = orderOld;
        shownRows = slotRows;
        if (orderChoice)
            orderNew = *orderChoice;
        return ordersOk;
    }

    int balanceDialogs = 0;
    bool balanceOk = true;
    bool balancePay = false;
    QString balancePin;

    std::vector<QString> orderCaptions;
    std::int32_t shownOld = -2;
    QStringList shownRows;
    std::optional<std::int32_t> orderChoice;  // nullopt: left as it was
    bool ordersOk = true;

private:
    RecordingCallView& calls_;
};

class MoneyAndOrdersTest : public CallControlTest {
protected:
    void SetUp() override
    {
        CallControlTest::SetUp();
        control.setAccountReplies(&money);
    }

    // The server's date-time of `time` on some day.
    static double ServerTime(QTime time)
    {
        return 46300 + time.msecsSinceStartOfDay() / 86400000.0;
    }
    // An order table from line `line`, as the receive loop hands it on.
    void ReceiveOrders(const std::string& letters, double serverTime, std::int32_t line = 805)
    {
        state.PeerNumber = line;
        control.handleMessage(Letter::OrderTable, {letters, serverTime});
    }
    // Lets the Order dialog open and close.
    void RunOrderDialog()
    {
        const std::size_t before = moneyView.orderCaptions.size();
        ASSERT_TRUE(WaitUntil([&] { return moneyView.orderCaptions.size() > before; }));
    }

    StandInClock clock;
    RecordingMoneyView moneyView{view};
    MoneyAndOrders money{shared, moneyView, clock, out, [this](std::string_view bytes) {
                             wire.append(bytes);
                             return static_cast<std::int64_t>(bytes.size());
                         }};
};

TEST_F(MoneyAndOrdersTest, BalanceButtonSendsRequestOrPinAndDisablesTheButtons)
{
    struct Case {
        const char* name;
        bool ok;
        bool pay;
        QString pin;
        const char* sent;  // letter, then the PIN sent
        const char* logged;
    };
    const Case cases[] = {
        {"cancel", false, true, "123", "", nullptr},
        {"request", true, false, "", "b", " Requesting balance..."},
        {"empty PIN", true, true, "", "p", " Passing PIN code..."},
        {"25 digits", true, true, "1234567890123456789012345", "p12345678901234567890",
         " Passing PIN code..."},
        {"latin-1", true, true, QString::fromLatin1("12\xe9"), "p12\xe9", " Passing PIN code..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.setCallButtonsEnabled(true);
        moneyView.balanceOk = c.ok;
        moneyView.balancePay = c.pay;
        moneyView.balancePin = c.pin;
        money.balanceClicked();
        const std::vector<SentMessage> sent = TakeSent();
        std::string got;
        for (const SentMessage& m : sent)
            got += m.letter + (m.letter == 'p' ? ValueAs<std::string>(m.values, 0) : std::string());
        EXPECT_EQ(got, c.sent);
        const std::vector<QString> log = TakeLog();
        EXPECT_EQ(log.size(), c.logged ? 1u : 0u);
        if (c.logged && !log.empty()) {
            EXPECT_EQ(log.front(), c.logged);
        }
        EXPECT_EQ(view.balanceEnabled && view.callEnabled && view.dropEnabled, !c.ok);
    }
    EXPECT_EQ(moneyView.balanceDialogs, 5);
}

// Each answer in each call state: logged with the buttons it brings back, or only consumed.
// The balance and the top-up answers are told in every state, and leave Balance off while
// a call is on.
TEST_F(MoneyAndOrdersTest, AnswersActOnlyInTheirCallStates)
{
    enum StateName { Idle, Ringing, Calling, InTalk, BusyTone };
    struct Case {
        char letter;
        MessageValues values;
        StateName in;
        const char* logged;   // nullptr: nothing happens
        const char* enabled;  // of Balance, Call and Drop
    };
    const Case cases[] = {
        {'b', {20.0}, Idle, " Your balance foots up to 20.000000000000000 unit(s)", "BCD"},
        {'b', {-0.25}, InTalk, " Your balance foots up to -0.250000000000000 unit(s)", "CD"},
        {'b',
         {std::numeric_limits<double>::quiet_NaN()},
         Idle,
         " Your balance foots up to NAN unit(s)",
         "BCD"},
        {'b',
         {-std::numeric_limits<double>::infinity()},
         Calling,
         " Your balance foots up to -INF unit(s)",
         "CD"},
        {'v', {}, Idle, " PIN code accepted", "BCD"},
        {'v', {}, Ringing, " PIN code accepted", "CD"},
        {'v', {}, BusyTone, " PIN code accepted", "CD"},
        {'p', {}, Idle, " Invalid PIN code", "BCD"},
        {'p', {}, InTalk, " Invalid PIN code", "CD"},
        {'w', {}, Idle, " Order placed", "BCD"},
        {'w', {}, Ringing, " Order placed", "BCD"},
        {'w', {}, Calling, nullptr, ""},
        {'w', {}, BusyTone, nullptr, ""},
        {'0', {}, Idle, " Failed to place order", "BCD"},
        {'0', {}, Ringing, " Failed to place order", "BCD"},
        {'0', {}, InTalk, nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.letter << " in state " << c.in);
        state.Calling = c.in == Calling;
        state.Ringing = c.in == Ringing;
        state.InTalk = c.in == InTalk;
        state.BusyTone = c.in == BusyTone;
        view.setCallButtonsEnabled(false);
        control.handleMessage(c.letter, c.values);
        const std::vector<QString> log = TakeLog();
        if (c.logged) {
            ASSERT_EQ(log.size(), 1u);
            EXPECT_EQ(log.front(), c.logged);
        } else {
            EXPECT_TRUE(log.empty());
        }
        std::string enabled;
        for (auto [on, name] : {std::pair{view.balanceEnabled, 'B'},
                                {view.callEnabled, 'C'},
                                {view.dropEnabled, 'D'}})
            if (on)
                enabled += name;
        EXPECT_EQ(enabled, c.enabled);
        EXPECT_EQ(TakeSentLetters(), "");
        EXPECT_EQ(state.Calling, c.in == Calling);
        EXPECT_EQ(state.InTalk, c.in == InTalk);
    }
}

TEST_F(MoneyAndOrdersTest, OrderTableSetsTheTimeOfDayAndOpensTheDialogAfterTheHandler)
{
    ByteString bytes = BuildMessage(Letter::OrderTable, 2,
                                    {std::string("fyb"), ServerTime(QTime(12, 34, 56, 789))});
    const ByteString behind = BuildMessage(Letter::TopUpAccepted);
    bytes += behind;
    state.PeerNumber = 805;
    view.setCallButtonsEnabled(false);
    DrainMessages(bytes, &ClientReadFields, [&](char l, const MessageValues& v) {
        control.handleMessage(l, v);
        return true;
    });
    // The reply behind the table is acted on at once; the dialog has not opened inside the
    // handler.
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(TakeLog(), std::vector<QString>{" PIN code accepted"});
    EXPECT_TRUE(moneyView.orderCaptions.empty());
    ASSERT_EQ(clock.settings.size(), 1u);
    EXPECT_EQ(clock.settings.front(), QDateTime(QDate(2026, 12, 9), QTime(12, 34, 56, 789)));

    RunOrderDialog();
    EXPECT_EQ(moneyView.orderCaptions.front(), "Orders: Line 5");
    EXPECT_EQ(moneyView.shownOld, 1);
    EXPECT_EQ(moneyView.shownRows,
              QStringList({"23:30:00-23:40:00=Reserved", "23:40:00-23:50:00=Your time",
                           "23:50:00-00:00:00="}));
    EXPECT_EQ(shared.OrderSlots, moneyView.shownRows);
    // OK without a change: nothing sent, the buttons back.
    EXPECT_EQ(TakeSentLetters(), "");
    EXPECT_TRUE(view.balanceEnabled && view.callEnabled && view.dropEnabled);
}

// What the dialog's outcome sends.
TEST_F(MoneyAndOrdersTest, ChangedOrderIsPlacedOnlyAfterOk)
{
    constexpr std::int32_t Lowest = std::numeric_limits<std::int32_t>::min();
    struct Case {
        const char* name;
        const char* letters;
        std::optional<std::int32_t> choice;
        bool ok;
        std::vector<std::int32_t> placed;  // empty: nothing sent
        std::int32_t line = 805;
        const char* caption = "Orders: Line 5";
    };
    const Case cases[] = {
        {"moved", "ffyf", 0, true, {805, 2, 0}},
        {"cleared", "ffyf", -1, true, {805, 2, -1}},
        {"first order", "ff", 1, true, {805, -1, 1}},
        {"cancelled", "ffyf", 0, false, {}},
        {"unchanged", "ffyf", std::nullopt, true, {}},
        {"empty table", "", std::nullopt, true, {}},
        {"edge of int32", "ff", 1, true, {Lowest, -1, 1}, Lowest, "Orders: Line -2147484448"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.setCallButtonsEnabled(false);
        moneyView.orderChoice = c.choice;
        moneyView.ordersOk = c.ok;
        ReceiveOrders(c.letters, ServerTime(QTime(9, 0)), c.line);
        RunOrderDialog();
        EXPECT_EQ(moneyView.orderCaptions.back(), c.caption);
        const std::vector<SentMessage> sent = TakeSent();
        const std::vector<QString> log = TakeLog();
        if (c.placed.empty()) {
            EXPECT_TRUE(sent.empty());
            EXPECT_TRUE(log.empty());
            EXPECT_TRUE(view.balanceEnabled && view.callEnabled && view.dropEnabled);
            continue;
        }
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].letter, 'o');
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_EQ(ValueAs<std::int32_t>(sent[0].values, i), c.placed[i]) << "field " << i;
        EXPECT_EQ(log, std::vector<QString>{" Placing new order..."});
        // Until "w" or "0" arrives.
        EXPECT_FALSE(view.balanceEnabled || view.callEnabled || view.dropEnabled);
    }
}

// The replies behind an order table are acted on before its dialog opens and while it is
// open; the order placed afterwards is still the line's.
TEST_F(MoneyAndOrdersTest, RepliesBehindAnOrderTableAreActedOnAndOnlyTheOrderWaitsForTheDialog)
{
    struct Case {
        const char* name;
        bool inTalkWithLine;
        ByteString behind;
        const char* sent;  // before the dialog closes
        bool ringing;
        bool inTalk;
    };
    const Case cases[] = {
        {"a call rings in", false, BuildMessage('C', 1, {std::int32_t{300}}), "F", true, false},
        {"the line ends the talk", true, BuildMessage('T'), "", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.clear();
        if (c.inTalkWithLine) {
            Receive('c', 5, {std::int32_t{805}, std::string(), std::string(), std::string(), true});
            control.callClicked();
            Receive('S');
            ASSERT_TRUE(state.InTalk);
            TakeSent();
        }
        state.PeerNumber = 805;  // the line whose orders were asked for
        ByteString bytes = BuildMessage(Letter::OrderTable, 2,
                                        {std::string("fyf"), ServerTime(QTime(9, 0))}) +
            c.behind;
        DrainMessages(bytes, &ClientReadFields, [&](char l, const MessageValues& v) {
            control.handleMessage(l, v);
            return true;
        });
        EXPECT_TRUE(bytes.empty());
        EXPECT_EQ(TakeSentLetters(), c.sent);
        EXPECT_EQ(state.Ringing, c.ringing);
        EXPECT_EQ(state.InTalk, c.inTalk);

        moneyView.orderChoice = 0;
        moneyView.ordersOk = true;
        RunOrderDialog();
        EXPECT_EQ(moneyView.orderCaptions.back(), "Orders: Line 5");
        const std::vector<SentMessage> sent = TakeSent();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].letter, 'o');
        EXPECT_EQ(ValueAs<std::int32_t>(sent[0].values, 0), 805);
        EXPECT_EQ(state.Ringing, c.ringing);
    }
}

TEST_F(MoneyAndOrdersTest, BadOrderTablesNeverSetTheClockFromAnythingButATimeOfDay)
{
    // Not a date-time: the clock stays, the dialog opens all the same.
    for (double bad : {std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity(), 1e308}) {
        SCOPED_TRACE(bad);
        ReceiveOrders("fy", bad);
        RunOrderDialog();
    }
    EXPECT_TRUE(clock.settings.empty());
    EXPECT_EQ(clock.now, QDateTime(QDate(2026, 12, 9), QTime(8, 15)));

    // A refused clock is no error.
    clock.refuses = true;
    ReceiveOrders("fy", ServerTime(QTime(23, 59, 59, 999)));
    RunOrderDialog();
    EXPECT_EQ(clock.settings.size(), 1u);

    // More slots than a day: no dialog, the buttons back.
    const std::size_t dialogs = moneyView.orderCaptions.size();
    view.setCallButtonsEnabled(false);
    ReceiveOrders(std::string(145, 'f'), ServerTime(QTime(9, 0)));
    QCoreApplication::processEvents();
    EXPECT_EQ(moneyView.orderCaptions.size(), dialogs);
    EXPECT_TRUE(view.balanceEnabled && view.callEnabled && view.dropEnabled);

    // During a talk the talk goes on.
    state.InTalk = true;
    ReceiveOrders("bfy", ServerTime(QTime(9, 0)));
    RunOrderDialog();
    EXPECT_TRUE(state.InTalk);
    EXPECT_EQ(TakeSentLetters(), "");
}

}  // namespace
}  // namespace parlino::test
