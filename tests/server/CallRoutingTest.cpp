#include "SignallingTestSupport.h"

namespace parlino::test {
namespace {

using CallRouting = SignallingTest;

TEST_F(CallRouting, ChecksRunInOrderAndAnswerOnlyTheCaller)
{
    auto erin = SignedIn(105);  // balance 0
    erin->Send('C', 1, {std::int32_t{999}});
    EXPECT_EQ(erin->NextLetter(), 'Z') << "the caller's balance is checked before the target";

    auto alice = SignedIn(101);
    alice->Send('C', 1, {std::int32_t{999}});
    EXPECT_EQ(alice->NextLetter(), 'N');
    alice->Send('C', 1, {std::int32_t{103}});  // offline
    EXPECT_EQ(alice->NextLetter(), 'O');
    alice->Send('C', 1, {std::int32_t{104}});  // banned
    EXPECT_EQ(alice->NextLetter(), 'O');

    auto bob = SignedIn(102);
    SetField(102, "Balance", -1.5);
    alice->Send('C', 1, {std::int32_t{102}});
    EXPECT_EQ(alice->NextLetter(), 'z');

    SetField(102, "Status", "AWAY");  // none of the three: refused without a word
    alice->Send('C', 1, {std::int32_t{102}});
    ExpectNothingBefore(*alice, 101);
    ExpectNothingBefore(*bob, 102);  // and the target learnt nothing of any of it
}

TEST_F(CallRouting, PassingCallReachesTheTargetWithTheCallersNumber)
{
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    alice->Send('C', 1, {std::int32_t{102}});
    const auto incoming = bob->Next();
    ASSERT_TRUE(incoming);
    EXPECT_EQ(incoming->letter, 'C');
    EXPECT_EQ(ValueAs<std::int32_t>(incoming->values, 0), 101);

    alice->Send('C', 1, {std::int32_t{101}});  // calling oneself passes like any call
    const auto self = alice->Next();
    ASSERT_TRUE(self);
    EXPECT_EQ(self->letter, 'C');
    EXPECT_EQ(ValueAs<std::int32_t>(self->values, 0), 101);
}

TEST_F(CallRouting, UnsignedOrOfflineSendersAreIgnored)
{
    auto stranger = Connect();
    auto bob = SignedIn(102);
    stranger->Send('C', 1, {std::int32_t{102}});
    stranger->Send('q', 1, {std::int32_t{102}});
    window->BitBtn29Click();
    EXPECT_EQ(stranger->NextLetter(), 'I');
    EXPECT_EQ(bob->NextLetter(), 'I') << "no call reached the target";

    auto alice = SignedIn(101);
    SetField(101, "Status", "OFFLINE");
    alice->Send('C', 1, {std::int32_t{102}});
    ExpectNothingBefore(*alice, 101);
}

TEST_F(CallRouting, OutsideCallsAndOrdersCarryTheSenderInPlaceOfTheTarget)
{
    auto line = SignedIn(801);
    auto alice = SignedIn(101);
    line->Send('c', 5, {std::int32_t{101}, std::string("44"), std::string("20"), std::string("79460000"), true});
    const auto call = alice->Next();
    ASSERT_TRUE(call);
    EXPECT_EQ(call->letter, 'c');
    EXPECT_EQ(ValueAs<std::int32_t>(call->values, 0), 801);
    EXPECT_EQ(ValueAs<std::string>(call->values, 1), "44");
    EXPECT_EQ(ValueAs<std::string>(call->values, 2), "20");
    EXPECT_EQ(ValueAs<std::string>(call->values, 3), "79460000");
    EXPECT_TRUE(ValueAs<bool>(call->values, 4));

    // "q" and "o" reach only the line; read them raw, as the client has no fields for them.
    alice->Send('o', 3, {std::int32_t{801}, std::int32_t{2}, std::int32_t{-1}});
    EXPECT_EQ(line->TakeRaw(13), BuildMessage('o', 3, {std::int32_t{101}, std::int32_t{2}, std::int32_t{-1}}));
    alice->Send('q', 1, {std::int32_t{801}});
    EXPECT_EQ(line->TakeRaw(5), BuildMessage('q', 1, {std::int32_t{101}}));
}

TEST_F(CallRouting, RelaysCheckNothingAndDeliverTheirForms)
{
    auto bob = SignedIn(102);
    auto stranger = Connect();  // relays need no sign-in
    stranger->Send('F', 1, {std::int32_t{102}});
    stranger->Send('t', 1, {std::int32_t{102}});
    stranger->Send('d', 2, {std::int32_t{102}, std::string("12#")});
    stranger->Send('r', 3, {std::int32_t{102}, std::string("ABC"), 45000.5});
    stranger->Send('B', 1, {std::int32_t{102}});
    stranger->Send('A', 1, {std::int32_t{102}});
    stranger->Send('L', 1, {std::int32_t{102}});
    stranger->Send('w', 1, {std::int32_t{102}});
    stranger->Send('0', 1, {std::int32_t{102}});
    EXPECT_EQ(bob->TakeRaw(2), "FT");
    EXPECT_EQ(bob->TakeRaw(8), BuildMessage('d', 1, {std::string("12#")}));
    EXPECT_EQ(bob->TakeRaw(16), BuildMessage('r', 2, {std::string("ABC"), 45000.5}));
    EXPECT_EQ(bob->TakeRaw(5), "BALw0");
}

TEST_F(CallRouting, PriceOfferIsKeptForLinesOnlyAndRelayed)
{
    auto line = SignedIn(801);
    auto alice = SignedIn(101);
    line->Send('f', 4, {std::int32_t{101}, std::string("Paris"), 0.35, false});
    const auto offer = alice->Next();
    ASSERT_TRUE(offer);
    EXPECT_EQ(offer->letter, 'f');
    EXPECT_EQ(ValueAs<std::string>(offer->values, 0), "Paris");
    EXPECT_EQ(ValueAs<double>(offer->values, 1), 0.35);
    EXPECT_FALSE(ValueAs<bool>(offer->values, 2));
    EXPECT_EQ(inside().LinePrices[0], 0.35);

    alice->Send('f', 4, {std::int32_t{101}, std::string("Rome"), 9.0, true});
    const auto relayed = alice->Next();
    ASSERT_TRUE(relayed);
    EXPECT_EQ(ValueAs<double>(relayed->values, 1), 9.0);
    for (double price : inside().LinePrices)
        EXPECT_TRUE(price == 0.0 || price == 0.35) << "a subscriber's offer is stored nowhere";
}

TEST_F(CallRouting, NumbersNoAccountCanHaveAreAnsweredAsUnknown)
{
    const std::int32_t outside[] = {-5, 0, 1002, 0x7FFFFFFF};
    const auto callsTo = [](std::int32_t target) {
        return std::vector<ByteString>{
            BuildMessage('C', 1, {target}),
            BuildMessage('c', 5, {target, std::string("44"), std::string("20"), std::string("1"), true}),
            BuildMessage('q', 1, {target}),
            BuildMessage('o', 3, {target, std::int32_t{1}, std::int32_t{2}})};
    };
    auto alice = SignedIn(101);
    auto erin = SignedIn(105);  // balance 0: her own check comes first
    auto stranger = Connect();  // never signed in: nothing at all
    for (std::int32_t target : outside) {
        for (const ByteString& call : callsTo(target)) {
            alice->SendRaw(call);
            EXPECT_EQ(alice->NextLetter(), 'N') << call[0] << " to " << target;
            erin->SendRaw(call);
            EXPECT_EQ(erin->NextLetter(), 'Z') << call[0] << " to " << target;
            stranger->SendRaw(call);
        }
    }
    window->BitBtn29Click();
    EXPECT_EQ(stranger->NextLetter(), 'I');

    for (std::int32_t id : outside) {
        stranger->SignIn(id);
        EXPECT_EQ(stranger->NextLetter(), 'P') << "sign-in as " << id;
    }
}

TEST_F(CallRouting, DeliveriesToAbsentOrOutOfRangeNumbersAreDropped)
{
    auto alice = SignedIn(101);
    alice->Send('F', 1, {std::int32_t{103}});       // never signed in
    alice->Send('F', 1, {std::int32_t{-5}});        // no slot
    alice->Send('F', 1, {std::int32_t{1002}});
    alice->Send('T', 2, {std::int32_t{1002}, std::int32_t{1002}});
    alice->Send('f', 4, {std::int32_t{1002}, std::string("x"), 1.0, true});
    ExpectNothingBefore(*alice, 101);

    auto bob = SignedIn(102);
    bob->socket().disconnectFromHost();
    ASSERT_TRUE(WaitUntil([&] { return StatusOf(102) == "OFFLINE"; }));
    alice->Send('F', 1, {std::int32_t{102}});  // to a connection that has gone
    ExpectNothingBefore(*alice, 101);
}

}  // namespace
}  // namespace parlino::test
