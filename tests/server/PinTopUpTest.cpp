#include "SignallingTestSupport.h"

#include <fstream>

namespace parlino::test {
namespace {

using dataset::Dataset;

constexpr const char* Card080 = "10000000000000000080";
constexpr const char* Card080b = "10000000000000000081";
constexpr const char* Card250 = "20000000000000000250";
constexpr const char* Card500 = "50000000000000000500";

class TopUpTest : public SignallingTest {
protected:
    // A released card kept in memory only, as the operator's "<" leaves it.
    void Release(int denomination, const std::string& pin, double generatedAt = FixedNow - 2)
    {
        Dataset& released = store->ReleasedPins[static_cast<std::size_t>(denomination)];
        released.Append();
        released.FieldByName("CardPIN").SetAsText(pin);
        released.FieldByName("ReleasDateTime").SetAsDateTime(FixedNow - 1);
        released.FieldByName("GenerDateTime").SetAsDateTime(generatedAt);
        released.Post();
    }
    // The PINs a table holds, in memory or in its saved file.
    static std::vector<std::string> Pins(const Dataset& table)
    {
        std::vector<std::string> pins;
        for (int row = 0; row < table.RecordCount(); ++row)
            pins.push_back(table.RowValue(row, 0).ToText());
        return pins;
    }
    std::vector<std::string> SavedPins(const Dataset& table)
    {
        Dataset saved(table.Layout(), "saved");
        saved.LoadFromFile(table.FileName());
        return Pins(saved);
    }
    // The activated row of an account in a denomination, or nullopt.
    std::optional<std::string> ActivatedPin(int denomination, std::int32_t id)
    {
        if (!store->GotoClient(Activated080Keyed + denomination, id))
            return std::nullopt;
        return store->ActivatedPins[static_cast<std::size_t>(denomination)].FieldByName("CardPIN").AsText();
    }
};

TEST_F(TopUpTest, SubscribersTopUpMovesTheCardAndCreditsTheBalanceEverywhere)
{
    auto alice = SignedIn(101);
    store->Now = [] { return FixedNow + 0.125; };
    ASSERT_EQ(TopUpWith(*alice, Card080), 'v');

    EXPECT_DOUBLE_EQ(BalanceOf(101), 30.0);
    EXPECT_EQ(Users().FieldByName("CardPIN").AsText(), Card080);
    EXPECT_DOUBLE_EQ(Users().FieldByName("ActivDateTime").AsDateTime(), FixedNow + 0.125);
    const auto record = ReadFixRecord(101);
    EXPECT_DOUBLE_EQ(FixDouble(record, 28), 30.0);
    EXPECT_EQ(std::string(record.data() + 36, 20), Card080);
    EXPECT_DOUBLE_EQ(FixDouble(record, 56), FixedNow + 0.125);
    EXPECT_EQ(FixText(record, 20, 8), "ONLINE") << "fields before the balance are kept";

    Dataset& activated = store->ActivatedPins[0];
    ASSERT_EQ(ActivatedPin(0, 101), Card080);
    EXPECT_EQ(activated.FieldByName("Client_ID").AsInteger(), 101);
    EXPECT_DOUBLE_EQ(activated.FieldByName("ActivDateTime").AsDateTime(), FixedNow + 0.125);
    EXPECT_DOUBLE_EQ(activated.FieldByName("ReleasDateTime").AsDateTime(), FixedNow)
        << "from the released row";
    EXPECT_DOUBLE_EQ(activated.FieldByName("GenerDateTime").AsDateTime(), FixedNow);
    EXPECT_EQ(SavedPins(activated), std::vector<std::string>{Card080});
    EXPECT_EQ(Pins(store->ReleasedPins[0]), std::vector<std::string>{Card080b});
    EXPECT_EQ(SavedPins(store->ReleasedPins[0]), std::vector<std::string>{Card080b});

    alice->Send('b');
    const auto balance = alice->Next();
    ASSERT_TRUE(balance && balance->letter == 'b');
    EXPECT_DOUBLE_EQ(ValueAs<double>(balance->values, 0), 30.0);

    // The card is spent: neither it nor a generated or an activated PIN is accepted.
    EXPECT_EQ(TopUpWith(*alice, Card080), 'p');
    EXPECT_EQ(TopUpWith(*alice, store->GeneratedPins[0].FieldByName("CardPIN").AsText()), 'p');
    EXPECT_EQ(TopUpWith(*alice, std::string(Card080b).substr(0, 19)), 'p') << "the whole PIN must match";
    EXPECT_DOUBLE_EQ(BalanceOf(101), 30.0);
}

TEST_F(TopUpTest, ACardReleasedInTwoDenominationsIsTakenFromTheFirst)
{
    Release(0, Card250);
    auto bob = SignedIn(102);
    ASSERT_EQ(TopUpWith(*bob, Card250), 'v');
    EXPECT_DOUBLE_EQ(BalanceOf(102), 30.0) << "credited as a card of 10";
    EXPECT_EQ(ActivatedPin(0, 102), Card250);
    EXPECT_EQ(ActivatedPin(1, 102), std::nullopt);
    EXPECT_EQ(Pins(store->ReleasedPins[1]), std::vector<std::string>{Card250});
    EXPECT_EQ(SavedPins(store->ReleasedPins[0]), (std::vector<std::string>{Card080, Card080b}));
}

TEST_F(TopUpTest, ACardOfAnotherDenominationReplacesTheActivatedOne)
{
    auto carol = SignedIn(103);
    ASSERT_EQ(TopUpWith(*carol, Card250), 'v');
    ASSERT_EQ(ActivatedPin(1, 103), Card250);
    ASSERT_EQ(SavedPins(store->ActivatedPins[1]), std::vector<std::string>{Card250});

    store->Now = [] { return FixedNow + 2.0; };
    ASSERT_EQ(TopUpWith(*carol, Card080), 'v');
    EXPECT_EQ(ActivatedPin(1, 103), std::nullopt);
    EXPECT_TRUE(SavedPins(store->ActivatedPins[1]).empty()) << "250__act.cds saved without it";
    EXPECT_EQ(ActivatedPin(0, 103), Card080);
    EXPECT_EQ(SavedPins(store->ActivatedPins[0]), std::vector<std::string>{Card080});
    EXPECT_EQ(SavedPins(store->ReleasedPins[0]), std::vector<std::string>{Card080b});
    EXPECT_DOUBLE_EQ(BalanceOf(103), 50.0);
    EXPECT_EQ(Users().FieldByName("CardPIN").AsText(), Card080);
    EXPECT_DOUBLE_EQ(Users().FieldByName("ActivDateTime").AsDateTime(), FixedNow + 2.0);
}

TEST_F(TopUpTest, ASecondCardOfTheSameDenominationOverwritesTheActivatedRow)
{
    Release(2, "50000000000000000501", FixedNow - 7);
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    ASSERT_EQ(TopUpWith(*bob, Card080b), 'v');
    ASSERT_EQ(TopUpWith(*alice, Card500), 'v');
    store->Now = [] { return FixedNow + 0.5; };
    ASSERT_EQ(TopUpWith(*alice, "50000000000000000501"), 'v');

    Dataset& activated = store->ActivatedPins[2];
    EXPECT_EQ(Pins(activated), std::vector<std::string>{"50000000000000000501"});
    ASSERT_EQ(ActivatedPin(2, 101), "50000000000000000501");
    EXPECT_DOUBLE_EQ(activated.FieldByName("ActivDateTime").AsDateTime(), FixedNow + 0.5);
    EXPECT_DOUBLE_EQ(activated.FieldByName("GenerDateTime").AsDateTime(), FixedNow - 7);
    EXPECT_EQ(SavedPins(activated), std::vector<std::string>{"50000000000000000501"});
    EXPECT_TRUE(SavedPins(store->ReleasedPins[2]).empty());
    EXPECT_DOUBLE_EQ(BalanceOf(101), 120.0);
    EXPECT_EQ(ActivatedPin(0, 102), Card080b) << "another account's card is not touched";
    EXPECT_DOUBLE_EQ(BalanceOf(102), 30.0);
}

TEST_F(TopUpTest, AShortPinLeavesTheRestOfItsFieldInCriticalFix)
{
    {
        std::fstream fix(CriticalFixPath, std::ios::in | std::ios::out | std::ios::binary);
        fix.seekp(FixRecordOffset(102) + 36);
        const std::string filler(20, 'x');
        fix.write(filler.data(), static_cast<std::streamsize>(filler.size()));
    }
    Release(1, "777");
    auto bob = SignedIn(102);
    ASSERT_EQ(TopUpWith(*bob, "777"), 'v');
    const auto record = ReadFixRecord(102);
    EXPECT_DOUBLE_EQ(FixDouble(record, 28), 40.0);
    EXPECT_EQ(std::string(record.data() + 36, 20), std::string("777") + '\0' + std::string(16, 'x'));
    EXPECT_DOUBLE_EQ(FixDouble(record, 56), FixedNow) << "the activation time lands at its own offset";
}

TEST_F(TopUpTest, AConnectionThatNeverSignedInSpendsNoCard)
{
    ui::ScopedDialogResponder dialogs(ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok));
    auto stranger = Connect();
    EXPECT_EQ(TopUpWith(*stranger, "12345"), 'p');
    EXPECT_TRUE(dialogs.requests().empty());

    stranger->Send('p', 1, {std::string(Card080)});
    ASSERT_TRUE(WaitUntil([&] { return !dialogs.requests().empty(); })) << "the refusal is shown";
    EXPECT_EQ(dialogs.requests().front().icon, ui::DialogIcon::Error);
    EXPECT_EQ(TopUpWith(*stranger, "12345"), 'p') << "nothing was sent for the released card";

    EXPECT_EQ(SavedPins(store->ReleasedPins[0]), (std::vector<std::string>{Card080, Card080b}));
    EXPECT_EQ(Pins(store->ReleasedPins[0]), (std::vector<std::string>{Card080, Card080b}));
    for (Dataset& activated : store->ActivatedPins) {
        EXPECT_EQ(activated.State(), dataset::DatasetState::Browse) << "no activated row left open";
        EXPECT_EQ(activated.RecordCount(), 0);
    }
}

TEST_F(TopUpTest, BalanceIsReportedOnlyToAnOnlineAccount)
{
    auto erin = SignedIn(105);
    SetField(105, "Balance", -0.25);
    erin->Send('b');
    const auto report = erin->Next();
    ASSERT_TRUE(report && report->letter == 'b');
    EXPECT_EQ(ValueAs<double>(report->values, 0), -0.25);

    // Unsigned: the request is consumed and the message behind it in the same write handled.
    auto stranger = Connect();
    stranger->SendRaw(BuildMessage('b', 0, {}) + BuildMessage('p', 1, {std::string("0")}));
    EXPECT_EQ(stranger->NextLetter(), 'p');

    SetField(105, "Status", "OFFLINE");  // as when an older connection of the account closes
    erin->Send('b');
    ExpectNothingBefore(*erin, 105);
}

}  // namespace
}  // namespace parlino::test
