#include "TalkTestSupport.h"

#include <QFile>

#include <sys/stat.h>

namespace parlino::test {
namespace {

using TalkBilling = TalkTest;

TEST_F(TalkBilling, FirstMinuteAtTheFirstTickAndTheNextSixtyTicksLater)
{
    inside().NetPayPerMin = 1.5;
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    StartTalk(*alice, 101, *bob, 102);

    Tick(1, {101});
    EXPECT_DOUBLE_EQ(BalanceOf(101), 18.5);
    EXPECT_DOUBLE_EQ(FixBalance(101), 18.5);
    EXPECT_EQ(IntegerOf(101, "CurServDayDur"), 1);
    EXPECT_EQ(TalksColumn("Duration"), std::vector<std::string>{"1"});
    EXPECT_EQ(SavedLog(101).at(0).duration, 1);
    EXPECT_EQ(SavedLog(102).at(0).duration, 1);

    Tick(59, {101});
    EXPECT_DOUBLE_EQ(BalanceOf(101), 18.5) << "one charge per started minute";
    EXPECT_EQ(inside().SecondCounter, 0);

    Tick(1, {101});
    EXPECT_DOUBLE_EQ(BalanceOf(101), 17.0);
    EXPECT_DOUBLE_EQ(FixBalance(101), 17.0);
    EXPECT_EQ(IntegerOf(101, "CurServDayDur"), 2);
    EXPECT_EQ(TalksColumn("Duration"), std::vector<std::string>{"2"});
    EXPECT_EQ(SavedLog(101).at(0).duration, 2);
    EXPECT_EQ(SavedLog(102).at(0).duration, 2);
    // The peer pays nothing and his day's minutes count only his own calls.
    EXPECT_DOUBLE_EQ(BalanceOf(102), 20.0);
    EXPECT_EQ(IntegerOf(102, "CurServDayDur"), 0);
    EXPECT_EQ(inside().SecondCounter, 1);
}

TEST_F(TalkBilling, TicksWriteNoEmptyScratchTables)
{
    // The carrier and the temporary talks table are emptied after every use: writing them
    // back would sync two empty files every second.
    const auto inode = [](const char* path) {
        struct stat info {};
        EXPECT_EQ(::stat(path, &info), 0) << path;
        return info.st_ino;
    };
    inside().NetPayPerMin = 1;
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    StartTalk(*alice, 101, *bob, 102);
    const auto carrier = inode(CurDayCarrierFile);
    const auto kept = inode(TempTalksFile);

    Tick(3, {101});  // the first minute's charge, then two ticks without one
    EXPECT_DOUBLE_EQ(BalanceOf(101), 19.0);
    EXPECT_EQ(SavedLog(101).at(0).duration, 1);
    EXPECT_EQ(inode(CurDayCarrierFile), carrier);
    EXPECT_EQ(inode(TempTalksFile), kept);
}

TEST_F(TalkBilling, TalksStartedAtDifferentTicksAreChargedOnTheirOwnPhase)
{
    inside().NetPayPerMin = 1;
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    auto carol = SignedIn(103);
    auto erin = SignedIn(105);
    StartTalk(*alice, 101, *bob, 102);
    Tick(3, {101});
    StartTalk(*carol, 103, *erin, 105);
    ASSERT_EQ(inside().TalkList.size(), 2u);
    EXPECT_EQ(inside().TalkList[1]->MinutePhase, 3);

    Tick(1, {101, 103});  // the fourth tick: Carol's first minute only
    EXPECT_DOUBLE_EQ(BalanceOf(101), 19.0);
    EXPECT_DOUBLE_EQ(BalanceOf(103), 19.0);
    Tick(57, {101, 103});  // up to the 61st
    EXPECT_DOUBLE_EQ(BalanceOf(101), 18.0);
    EXPECT_DOUBLE_EQ(BalanceOf(103), 19.0);
    Tick(2, {101, 103});
    EXPECT_DOUBLE_EQ(BalanceOf(103), 19.0);
    Tick(1, {101, 103});  // the 64th
    EXPECT_DOUBLE_EQ(BalanceOf(103), 18.0);
    EXPECT_EQ(TalksColumn("Duration"), (std::vector<std::string>{"2", "2"}));
}

TEST_F(TalkBilling, ChargeThatLeavesNoMoneyEndsTheTalkWithNoFundsToBoth)
{
    inside().NetPayPerMin = 1;
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    SetField(101, "Balance", 1.5);
    StartTalk(*alice, 101, *bob, 102);

    Tick(60, {101});
    EXPECT_DOUBLE_EQ(BalanceOf(101), 0.5);
    EXPECT_EQ(inside().TalkList.size(), 1u);

    Tick(1, {101});
    EXPECT_DOUBLE_EQ(BalanceOf(101), -0.5) << "the last started minute is paid in full";
    EXPECT_DOUBLE_EQ(FixBalance(101), -0.5);
    EXPECT_EQ(alice->NextLetter(), 'Z');
    EXPECT_EQ(bob->NextLetter(), 'Z');
    EXPECT_TRUE(inside().TalkList.empty());
    EXPECT_TRUE(store->TalksTable.IsEmpty());
    EXPECT_FALSE(window->Timer1->isActive());
    EXPECT_FALSE(inside().RelayThread);
    EXPECT_EQ(SavedLog(101).at(0).duration, 2);
}

TEST_F(TalkBilling, OutsideLinesAreChargedAtTheirOfferedPrice)
{
    inside().NetPayPerMin = 1;
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    auto carol = SignedIn(103);
    auto line = SignedIn(801);
    line->Send('f', 4, {std::int32_t{101}, std::string("Area"), 2.5, true});
    EXPECT_EQ(alice->NextLetter(), 'f');

    StartTalk(*alice, 101, *line, 801);
    StartTalk(*carol, 103, *bob, 102);
    Tick(1, {101, 103});
    EXPECT_DOUBLE_EQ(BalanceOf(101), 17.5);
    EXPECT_DOUBLE_EQ(BalanceOf(103), 19.0);
    EXPECT_DOUBLE_EQ(BalanceOf(801), 20.0);
}

TEST_F(TalkBilling, OnlyThePayersVoiceKeepsATalkAlive)
{
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    StartTalk(*alice, 101, *bob, 102);

    Tick(30, {102});
    Tick(1, {101});  // starts the count again
    Tick(59, {102});
    ASSERT_EQ(inside().TalkList.size(), 1u);
    EXPECT_EQ(inside().TalkList[0]->IdleSeconds, 59);

    Tick(1, {102});  // the 60th silent tick
    EXPECT_TRUE(inside().TalkList.empty());
    EXPECT_TRUE(store->TalksTable.IsEmpty());
    EXPECT_FALSE(window->Timer1->isActive());
    EXPECT_FALSE(inside().RelayThread);
    ExpectNothingBefore(*alice, 101);
    ExpectNothingBefore(*bob, 102);
}

TEST_F(TalkBilling, TalksTableLosesExactlyTheDroppedRows)
{
    inside().NetPayPerMin = 1;
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    auto carol = SignedIn(103);
    auto erin = SignedIn(105);
    auto line = SignedIn(801);
    SetField(104, "Status", "OFFLINE");  // Dave, so that he can sign in
    auto dave = SignedIn(104);
    SetField(105, "Balance", 1.0);  // one minute leaves exactly nothing
    StartTalk(*alice, 101, *bob, 102);
    StartTalk(*erin, 105, *carol, 103);
    StartTalk(*line, 801, *dave, 104);

    Tick(1, {101, 105, 801});
    EXPECT_EQ(erin->NextLetter(), 'Z');
    EXPECT_EQ(carol->NextLetter(), 'Z');
    EXPECT_DOUBLE_EQ(BalanceOf(105), 0.0);
    EXPECT_EQ(Payers(), (std::vector<std::int32_t>{101, 801}));
    EXPECT_EQ(TalksColumn("ID2ID"), (std::vector<std::string>{"101 > 102", "801 > 104"}));
    EXPECT_EQ(TalksColumn("N2N"), (std::vector<std::string>{"Alice > Bob", "Line 1 > Dave"}));
    EXPECT_EQ(TalksColumn("Duration"), (std::vector<std::string>{"1", "1"}));

    // Alice falls silent; the line's talk goes on and is charged its second minute at the
    // tick that drops hers.
    Tick(60, {801});
    EXPECT_EQ(Payers(), std::vector<std::int32_t>{801});
    EXPECT_EQ(TalksColumn("ID2ID"), std::vector<std::string>{"801 > 104"});
    EXPECT_EQ(TalksColumn("Duration"), std::vector<std::string>{"2"});
    EXPECT_DOUBLE_EQ(BalanceOf(101), 19.0) << "a silent talk is dropped before its minute";
    EXPECT_TRUE(window->Timer1->isActive());
}

TEST_F(TalkBilling, ReloadDuringATalkDoesNotStopItsCharges)
{
    inside().NetPayPerMin = 1;
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    StartTalk(*alice, 101, *bob, 102);
    Tick(1, {101});

    // Every account row is rebuilt, so the talk's log rows are new rows now.
    window->BitBtn22Click();
    window->errorDisplay().showPending();
    ASSERT_TRUE(dialogs->requests().empty());
    Tick(60, {101});
    EXPECT_DOUBLE_EQ(BalanceOf(101), 18.0);
    EXPECT_DOUBLE_EQ(FixBalance(101), 18.0);
    EXPECT_EQ(inside().TalkList.size(), 1u);
}

TEST_F(TalkBilling, MissingCriticalFixStillChargesTheTableQuietly)
{
    inside().NetPayPerMin = 1;
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    StartTalk(*alice, 101, *bob, 102);
    ASSERT_TRUE(QFile::remove(CriticalFixPath));

    Tick(1, {101});
    EXPECT_DOUBLE_EQ(BalanceOf(101), 19.0);
    EXPECT_FALSE(QFile::exists(CriticalFixPath)) << "the file is never created here";
    EXPECT_EQ(inside().TalkList.size(), 1u);
}

}  // namespace
}  // namespace parlino::test
