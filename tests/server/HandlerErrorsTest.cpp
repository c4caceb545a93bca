// Errors raised inside socket and timer handlers under hostile input: the handler keeps
// serving, the operator's boxes come after it and stay few, and standard error has them all.
#include "TalkTestSupport.h"

#include "platform/core/ResourceLimits.h"
#include "platform/ui/ErrorDisplay.h"
#include "server/SubscriberCapacity.h"

#include <QLabel>

#include <filesystem>

namespace parlino::test {
namespace {

constexpr const char* ReleasedCard = "10000000000000000080";

class HandlerErrorsTest : public SignallingTest {
protected:
    void SetUp() override
    {
        RaiseOpenFileLimit();  // a crowd of connections, each with two ends in this process
        SignallingTest::SetUp();
        window->errorDisplay().setLog([this](const QString& line) { logged.push_back(line); });
    }

    // Connections closed by the test's subscribers are gone from the server too.
    void WaitUntilNoConnections()
    {
        ASSERT_TRUE(WaitUntil([&] { return window->ServerSocket1->ActiveConnections() == 0; }, 10000))
            << window->ServerSocket1->ActiveConnections();
    }

    // The server still signs subscribers in and routes their calls.
    void ExpectSignInAndCallServed()
    {
        WaitUntilNoConnections();
        auto alice = SignedIn(101);
        auto bob = SignedIn(102);
        alice->Send('C', 1, {std::int32_t{102}});
        const auto call = bob->Next();
        ASSERT_TRUE(call) << "the call reaches its target";
        EXPECT_EQ(call->letter, 'C');
        EXPECT_EQ(ValueAs<std::int32_t>(call->values, 0), 101);
    }

    std::vector<QString> logged;
};

// A stranger's released card fails in the table engine. The box comes after the read event;
// meanwhile the stranger resets his connection, and answering the box touches nothing of it.
TEST_F(HandlerErrorsTest, ABoxMayOutliveTheConnectionWhoseMessageFailed)
{
    auto stranger = Connect();
    bool connectionGone = false;
    ui::ScopedDialogResponder dialogs([&](const ui::DialogRequest&) {
        stranger->socket().abort();
        connectionGone = WaitUntil([&] { return window->ServerSocket1->ActiveConnections() == 0; }, 5000);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return ui::DialogResponse{ui::DialogAnswer::Ok, {}};
    });
    stranger->Send('p', 1, {std::string(ReleasedCard)});
    ASSERT_TRUE(WaitUntil([&] { return !dialogs.requests().empty(); }));
    EXPECT_EQ(dialogs.requests().size(), 1u);
    EXPECT_EQ(dialogs.requests()[0].icon, ui::DialogIcon::Error);
    EXPECT_TRUE(connectionGone);
    WaitUntil([] { return false; }, 50);  // what the closed connection left behind runs now
    stranger.reset();
    ExpectSignInAndCallServed();
}

// The bytes behind a failed message are handled without waiting for more bytes to come.
TEST_F(HandlerErrorsTest, TheMessagesBehindAFailedOneAreHandledAtOnce)
{
    const struct {
        const char* name;
        ByteString failing;
    } cases[] = {
        {"a released card from a connection that never signed in",
         BuildMessage('p', 1, {std::string(ReleasedCard)})},
        {"a sign-in whose voice port cannot be used",
         BuildMessage('P', 4, {std::int32_t{70000}, std::int32_t{103}, std::string("582047"), std::string()})},
    };
    ui::ScopedDialogResponder dialogs(ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WaitUntilNoConnections();
        auto subscriber = Connect();
        subscriber->SendRaw(c.failing + BuildMessage('P', 4, {std::int32_t{40000}, std::int32_t{101},
                                                               std::string("582047"), std::string()}));
        EXPECT_EQ(subscriber->NextLetter(), 'V');
    }
    EXPECT_EQ(logged.size(), std::size(cases)) << "every error on standard error";
}

// A crowd of strangers, each failing once, while the operator has not answered the first
// box: one box counts them all and the server keeps serving.
TEST_F(HandlerErrorsTest, AFloodOfFailingConnectionsIsOneBoxThatCountsThem)
{
    constexpr int Strangers = 300;
    ui::ScopedDialogResponder dialogs(ui::ScopedDialogResponder::leavingOpen());
    std::vector<std::unique_ptr<Subscriber>> crowd;
    for (int i = 0; i < Strangers; ++i) {
        crowd.push_back(std::make_unique<Subscriber>(window->ServerSocket1->Port()));
        ASSERT_TRUE(crowd.back()->connected()) << i;
        crowd.back()->Send('p', 1, {std::string(ReleasedCard)});
    }
    ASSERT_TRUE(WaitUntil([&] { return logged.size() >= Strangers; }, 60000)) << logged.size();
    window->errorDisplay().showPending();
    crowd.clear();

    const auto boxes = window->errorDisplay().openBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].count, Strangers);
    EXPECT_EQ(dialogs.requests().size(), 1u);
    EXPECT_EQ(logged.size(), std::size_t{Strangers});
    ExpectSignInAndCallServed();
    window->errorDisplay().closeAll();
}

// A failed start leaves the server not listening: an operator without a display learns why
// from standard error.
TEST_F(HandlerErrorsTest, AFailedStartIsWrittenToStandardError)
{
    window->ServerSocket1->Close();
    std::filesystem::remove("USERINFO/noncrit.cds");
    MakeWindow();
    window->errorDisplay().setLog([this](const QString& line) { logged.push_back(line); });
    ui::ScopedDialogResponder dialogs(ui::ScopedDialogResponder::leavingOpen());
    window->Timer2->start();
    window->Timer2Timer();
    EXPECT_FALSE(window->ServerSocket1->Active());
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_TRUE(logged[0].contains("noncrit")) << logged[0].toStdString();
}

TEST(SubscriberCapacityTest, TheLimitCountsTenDescriptorsASubscriberAfterAReserveAndTheHeadroom)
{
    const struct {
        long limit;
        int capacity;
        const char* warning;  // nullptr: nothing to say
    } cases[] = {
        {-1, 0, nullptr},  // unknown
        {10, 0, "Open file limit 10: room for 0 of 900 subscribers"},
        {1024, 97, "Open file limit 1024: room for 97 of 900 subscribers"},
        {4096, 404, "Open file limit 4096: room for 404 of 900 subscribers"},
        {9046, 899, "Open file limit 9046: room for 899 of 900 subscribers"},
        {9047, 900, nullptr},
        {1048576, 900, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(subscriberCapacity(c.limit), c.capacity) << c.limit;
        EXPECT_EQ(capacityWarning(c.limit), c.warning ? QString(c.warning) : QString()) << c.limit;
    }
}

TEST_F(HandlerErrorsTest, TheCapacityWarningStandsOnTheWindowAndInTheLog)
{
    window->showCapacityWarning(capacityWarning(4096));
    const auto* line = window->findChild<QLabel*>("CapacityWarning");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->text(), "Open file limit 4096: room for 404 of 900 subscribers");
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_TRUE(logged[0].endsWith("Open file limit 4096: room for 404 of 900 subscribers"));
}

class TickErrorsTest : public TalkTest {};

// A call log that cannot be saved holds up neither the talk nor its billing: the start and
// the charges go on, the failure is shown once, and the saver writes the log by itself as
// soon as the disk takes it again.
TEST_F(TickErrorsTest, ACallLogThatCannotBeSavedIsShownAndSavedOnceTheDiskTakesIt)
{
    inside().NetPayPerMin = 1;
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    // A directory where the payer's call log must be written.
    const std::filesystem::path log = CurDayLogFile(101);
    std::filesystem::remove(log);
    std::filesystem::create_directory(log);
    dialogs.reset();
    dialogs = std::make_unique<ui::ScopedDialogResponder>(
        [](const ui::DialogRequest&) { return ui::DialogResponse{ui::DialogAnswer::Ok, {}, true}; });

    StartTalk(*alice, 101, *bob, 102);
    const double balanceBefore = BalanceOf(101);
    Tick(1, {101});
    EXPECT_DOUBLE_EQ(BalanceOf(101), balanceBefore - 1) << "the minute is charged while its log waits";
    EXPECT_DOUBLE_EQ(FixBalance(101), balanceBefore - 1);
    EXPECT_FALSE(inside().callLogSaver.settle());
    window->errorDisplay().showPending();
    ASSERT_EQ(dialogs->requests().size(), 1u);
    EXPECT_TRUE(dialogs->requests()[0].text.contains(QString::fromStdString(log.filename().string())))
        << dialogs->requests()[0].text.toStdString();

    Tick(60, {101});  // the box stays open; the next minute comes round and is charged
    EXPECT_DOUBLE_EQ(BalanceOf(101), balanceBefore - 2);
    EXPECT_EQ(SavedLog(102).at(0).duration, 2) << "the peer's log is not held up";

    // Stopped and reloaded while the log still waits: the bytes the saver holds are the log.
    window->BitBtn27Click();
    window->BitBtn22Click();
    ASSERT_TRUE(store->GotoClient(UsersKeyed, 101));
    EXPECT_EQ(Users().FieldByName("CurServDayDur").AsInteger(), 2);
    ASSERT_EQ(store->CurServDay.RecordCount(), 1);
    EXPECT_EQ(store->CurServDay.FieldByName("Duration").AsInteger(), 2);

    std::filesystem::remove(log);  // the operator makes room
    EXPECT_TRUE(WaitUntil([&] { return std::filesystem::is_regular_file(log); }, 10000));
    EXPECT_EQ(SavedLog(101).at(0).duration, 2);
    window->errorDisplay().closeAll();
    dialogs.reset();
    dialogs = std::make_unique<ui::ScopedDialogResponder>(ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok));
}

}  // namespace
}  // namespace parlino::test
