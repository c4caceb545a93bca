// What the operator sees of talks: grids that keep their columns and scrolling while talks
// are billed and subscribers come and go, and the users cursor ending on the peer of a
// talk that ends.
#include "TalkTestSupport.h"

#include "platform/ui/DataGrid.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

namespace parlino::test {
namespace {

class TalkGrids : public TalkTest {
protected:
    void SetUp() override
    {
        TalkTest::SetUp();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    int RowOf(std::int32_t id)
    {
        EXPECT_TRUE(store->GotoClient(UsersKeyed, id));
        return Users().Position();
    }
    // The users cursor parked on another account, as the operator may have left it.
    void ParkCursorOn(std::int32_t id) { ASSERT_TRUE(store->GotoClient(UsersKeyed, id)); }
    int CurrentUser() { return Users().FieldByName("Client_ID").AsInteger(); }
};

TEST_F(TalkGrids, TicksSignInsAndReloadsKeepWidenedColumnsAndScrolling)
{
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    StartTalk(*alice, 101, *bob, 102);

    // The operator widens a column of each grid past its view and scrolls right to read
    // the talk's Duration and the accounts' Balance.
    ui::DataGrid* grids[] = {window->DBGrid1, window->DBGrid11};
    for (ui::DataGrid* grid : grids)
        grid->horizontalHeader()->resizeSection(1, 1500);
    QCoreApplication::processEvents();
    std::vector<int> widths;
    std::vector<int> positions;
    for (ui::DataGrid* grid : grids) {
        QScrollBar* across = grid->horizontalScrollBar();
        across->setValue(across->maximum());
        ASSERT_GT(across->value(), 0);
        positions.push_back(across->value());
        for (int column = 0; column < grid->model()->columnCount(); ++column)
            widths.push_back(grid->columnWidth(column));
    }
    const auto expectKept = [&](const char* after) {
        std::size_t w = 0;
        for (std::size_t g = 0; g < std::size(grids); ++g) {
            EXPECT_EQ(grids[g]->horizontalScrollBar()->value(), positions[g]) << after;
            for (int column = 0; column < grids[g]->model()->columnCount(); ++column)
                EXPECT_EQ(grids[g]->columnWidth(column), widths[w++])
                    << after << ", column " << column;
        }
    };

    Tick(1, {101});
    ASSERT_EQ(TalksColumn("Duration"), std::vector<std::string>{"1"});
    expectKept("a charged minute");
    auto carol = SignedIn(103);
    carol->socket().disconnectFromHost();
    ASSERT_TRUE(WaitUntil([&] { return StatusOf(103) == "OFFLINE"; }));
    expectKept("a sign-in and a disconnect");
    alice->Send('T', 2, {std::int32_t{101}, std::int32_t{102}});
    EXPECT_EQ(bob->NextLetter(), 'T');
    expectKept("the talk's end");
    window->BitBtn27Click();
    window->BitBtn22Click();
    expectKept("Reload All");
}

// Ending a talk visits the payer and then the peer in the users table, so the cursor ends
// on the peer whatever row it stood on: by "T", by silence and by an exhausted balance.
TEST_F(TalkGrids, TheUsersCursorEndsOnThePeerOfATalkThatEnds)
{
    auto alice = SignedIn(101);
    auto bob = SignedIn(102);
    const int bobsRow = RowOf(102);

    StartTalk(*alice, 101, *bob, 102);
    ParkCursorOn(105);
    alice->Send('T', 2, {std::int32_t{101}, std::int32_t{102}});
    EXPECT_EQ(bob->NextLetter(), 'T');
    EXPECT_EQ(CurrentUser(), 102) << "by T";
    EXPECT_EQ(window->DBGrid1->currentIndex().row(), bobsRow);

    StartTalk(*alice, 101, *bob, 102);
    Tick(1, {101});
    ParkCursorOn(105);
    Tick(60);  // the 60th silent tick drops it
    ASSERT_TRUE(inside().TalkList.empty());
    EXPECT_EQ(CurrentUser(), 102) << "by silence";

    SetField(101, "Balance", 0.5);
    inside().NetPayPerMin = 1.0;
    StartTalk(*alice, 101, *bob, 102);
    ParkCursorOn(105);
    Tick(1, {101});
    EXPECT_EQ(alice->NextLetter(), 'Z');
    EXPECT_EQ(bob->NextLetter(), 'Z');
    EXPECT_EQ(CurrentUser(), 102) << "by an exhausted balance";

    inside().NetPayPerMin = 0.0;
    SetField(101, "Balance", 20.0);
    StartTalk(*alice, 101, *bob, 102);
    ParkCursorOn(105);
    window->DropAllTalks();
    EXPECT_EQ(CurrentUser(), 102) << "by dropping every talk";
}

}  // namespace
}  // namespace parlino::test
