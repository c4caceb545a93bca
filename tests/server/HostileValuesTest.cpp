// Values a signed-in peer may send to get money or keep a password the files cannot hold:
// prices that are no price, balances that are no number, passwords with a NUL byte.
#include "TalkTestSupport.h"

#include "server/Money.h"

#include <cmath>
#include <limits>

namespace parlino::test {
namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Largest = std::numeric_limits<double>::max();

using HostileValues = TalkTest;

TEST_F(HostileValues, APriceThatCannotBeChargedIsRelayedAsTheLinesLastPriceAndNeverStored)
{
    auto alice = SignedIn(101);
    auto line = SignedIn(801);
    struct Offer {
        double offered;
        double relayed;
    };
    // Row by row: the line's stored price is what the previous rows left.
    const Offer offers[] = {
        {NaN, 0.0},   {-Inf, 0.0},  {2.5, 2.5},  {NaN, 2.5},      {-Inf, 2.5},
        {Inf, 2.5},   {-0.01, 2.5}, {0.0, 0.0},  {1.25, 1.25},    {-Largest, 1.25},
    };
    for (const Offer& offer : offers) {
        line->Send('f', 4, {std::int32_t{101}, std::string("Area"), offer.offered, true});
        const auto relayed = alice->Next();
        ASSERT_TRUE(relayed && relayed->letter == 'f') << offer.offered;
        EXPECT_EQ(ValueAs<double>(relayed->values, 1), offer.relayed) << "offered " << offer.offered;
        EXPECT_EQ(inside().LinePrices[0], offer.relayed) << "offered " << offer.offered;
    }

    // The talk is charged at the last price the line could set.
    StartTalk(*alice, 101, *line, 801);
    Tick(1, {101});
    EXPECT_DOUBLE_EQ(BalanceOf(101), 18.75);
    EXPECT_DOUBLE_EQ(FixBalance(101), 18.75);
}

TEST_F(HostileValues, ABalanceThatIsNoNumberBuysNothingAndIsNeverWrittenBack)
{
    inside().NetPayPerMin = 1.0;
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    auto carol = SignedIn(103);
    // As an older program could leave them in critical.fix.
    SetField(101, "Balance", NaN);
    SetField(102, "Balance", NaN);
    alice->Send('C', 1, {std::int32_t{103}});
    EXPECT_EQ(alice->NextLetter(), 'Z') << "no funds, as for a balance of 0";
    carol->Send('C', 1, {std::int32_t{102}});
    EXPECT_EQ(carol->NextLetter(), 'z');

    // A talk of a payer whose balance is no number is charged from 0 and ends at once.
    StartTalk(*alice, 101, *bob, 102);
    Tick(1, {101});
    EXPECT_EQ(alice->NextLetter(), 'Z');
    EXPECT_EQ(bob->NextLetter(), 'Z');
    EXPECT_DOUBLE_EQ(BalanceOf(101), -1.0);
    EXPECT_DOUBLE_EQ(FixBalance(101), -1.0);

    // A balance at the end of the range stays finite whatever is charged.
    SetField(103, "Balance", -Largest);
    inside().NetPayPerMin = Largest;
    StartTalk(*carol, 103, *bob, 102);
    Tick(1, {103});
    EXPECT_EQ(carol->NextLetter(), 'Z');
    EXPECT_EQ(BalanceOf(103), -Largest);
    EXPECT_EQ(FixBalance(103), -Largest);
}

TEST(MovedBalance, StaysFiniteWhateverIsAdded)
{
    struct Row {
        double balance;
        double amount;
        double expected;
    };
    const Row rows[] = {
        {20.0, -1.5, 18.5},         {0.5, -1.0, -0.5},          {20.0, 10.0, 30.0},
        {NaN, -1.0, -1.0},          {NaN, NaN, 0.0},            {20.0, NaN, 20.0},
        {Largest, Largest, Largest}, {-Largest, -Largest, -Largest}, {20.0, -Inf, -Largest},
        {Inf, 1.0, Largest},        {Inf, -Inf, -Largest},           {-Inf, 0.0, -Largest},
    };
    for (const Row& row : rows) {
        const double moved = movedBalance(row.balance, row.amount);
        EXPECT_TRUE(std::isfinite(moved)) << row.balance << " + " << row.amount;
        EXPECT_EQ(moved, row.expected) << row.balance << " + " << row.amount;
    }
}

using HostileSignIn = SignallingTest;

TEST_F(HostileSignIn, WhatSignsInTodaySignsInAfterARestart)
{
    struct Change {
        std::string newPassword;
        bool accepted;
        std::string works;  // the password that signs in afterwards, before and after a restart
    };
    const std::string longer = "abcdefghijklmnopqrstuvwxy";
    const Change changes[] = {
        {std::string("ab\0cd", 5), false, "582047"},
        {std::string(1, '\0'), false, "582047"},
        {std::string("s3cret\0", 7), false, "582047"},
        {"s3cret", true, "s3cret"},
        {longer, true, longer.substr(0, 20)},  // the field keeps 20 characters
    };
    std::string current = "582047";
    for (const Change& change : changes) {
        SCOPED_TRACE(testing::PrintToString(change.newPassword));
        ASSERT_TRUE(WaitUntil([&] { return StatusOf(102) == "OFFLINE"; })) << "the last connection closed";
        auto bob = Connect();
        bob->SignIn(102, current, change.newPassword);
        EXPECT_EQ(bob->NextLetter(), change.accepted ? 'V' : 'P');
        if (!change.accepted) {
            EXPECT_EQ(StatusOf(102), "OFFLINE") << "a refused sign-in stores nothing";
            EXPECT_EQ(FixText(ReadFixRecord(102), FixStatusOffset, 8), "OFFLINE");
        }
        ASSERT_TRUE(store->GotoClient(UsersKeyed, 102));
        EXPECT_EQ(Users().FieldByName("Password").AsText(), change.works);
        EXPECT_EQ(FixText(ReadFixRecord(102), 0, 20), change.works);
        bob->SignIn(102, change.works);
        EXPECT_EQ(bob->NextLetter(), 'V');
        bob.reset();

        Restart();
        auto again = Connect();
        again->SignIn(102, change.works);
        EXPECT_EQ(again->NextLetter(), 'V');
        current = change.works;
    }
}

}  // namespace
}  // namespace parlino::test
