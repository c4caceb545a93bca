#include "WindowTestFixture.h"

#include "platform/core/PerformanceCounter.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/DataNavigator.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QToolButton>

namespace parlino::test {
namespace {

using dataset::Dataset;

struct Card {
    std::string pin;
    double generated = 0;
    double released = 0;  // released tables only
    bool operator==(const Card&) const = default;
};

class PinButtonsTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_TRUE(Reload().empty());
    }

    // Clicks a PIN button as the operator does; returns what was shown.
    std::vector<ui::DialogRequest> Click(QToolButton* button)
    {
        ui::ScopedDialogResponder dialogs(ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok));
        EXPECT_TRUE(button->isEnabled());
        button->click();
        window->errorDisplay().showPending();
        return dialogs.requests();
    }
    // Buttons ">", "<", "+", "-" of a group (0 "10", 1 "20", 2 "50").
    QToolButton* Button(int group, int which) { return window->PinButtons()[group * 4 + which]; }

    static std::vector<Card> Cards(const Dataset& table)
    {
        std::vector<Card> cards;
        const int pin = table.FieldByName("CardPIN").Index();
        const int generated = table.FieldByName("GenerDateTime").Index();
        const dataset::Field* released = table.FindField("ReleasDateTime");
        for (int row = 0; row < table.RecordCount(); ++row)
            cards.push_back({table.RowValue(row, pin).ToText(), table.RowValue(row, generated).ToFloat(),
                             released ? table.RowValue(row, released->Index()).ToFloat() : 0.0});
        return cards;
    }
};

TEST_F(PinButtonsTest, GenerateTwiceInsertsTwoPinsDrawnFromTheCounter)
{
    Dataset& generated = store->GeneratedPins[0];
    const std::vector<Card> before = Cards(generated);
    ManualCounter counter;
    ScopedCounterSource use(counter);

    counter.set(0x1'0000'2710LL);
    EXPECT_TRUE(Click(window->SpeedButton4).empty());
    counter.set(0xDEAD'BEEFLL);
    store->Now = [] { return FixedNow + 0.5; };
    EXPECT_TRUE(Click(window->SpeedButton4).empty());

    // Each goes in at the current row, the first new one having become current.
    std::vector<Card> expected = {{"41559848969502737813", FixedNow + 0.5},
                                  {"87166035789295711938", FixedNow}};
    expected.insert(expected.end(), before.begin(), before.end());
    EXPECT_EQ(Cards(generated), expected);
    for (int row = 0; row < 2; ++row) {
        const std::string pin = Cards(generated)[static_cast<std::size_t>(row)].pin;
        EXPECT_EQ(pin.size(), 20u);
        EXPECT_NE(pin[0], '0');
    }
    EXPECT_EQ(inside().RandomState, 1554527051u) << "the state goes on from the last draw";
    EXPECT_EQ(store->GeneratedPins[1].RecordCount(), 1) << "other groups keep their cards";
    EXPECT_EQ(store->GeneratedPins[2].RecordCount(), 1);

    // The group "50" button fills the "500" table.
    counter.set(0x2345'6789LL);
    EXPECT_TRUE(Click(window->SpeedButton12).empty());
    ASSERT_EQ(store->GeneratedPins[2].RecordCount(), 2);
    EXPECT_EQ(Cards(store->GeneratedPins[2]).front().pin, "96778961544775580202");
    EXPECT_EQ(generated.RecordCount(), 3);
}

TEST_F(PinButtonsTest, ReleaseThenRemoveBringsTheCardBackWithoutItsReleaseTime)
{
    ManualCounter counter;
    ScopedCounterSource use(counter);
    for (int group = 0; group < 3; ++group) {
        SCOPED_TRACE(group);
        Dataset& generated = store->GeneratedPins[static_cast<std::size_t>(group)];
        Dataset& released = store->ReleasedPins[static_cast<std::size_t>(group)];
        const std::vector<Card> releasedBefore = Cards(released);

        constexpr double madeAt = FixedNow - 3.25;
        store->Now = [] { return madeAt; };
        counter.set(0x2710LL);
        ASSERT_TRUE(Click(Button(group, 2)).empty());  // "+"
        counter.set(0x9ABC'DEF0LL);
        ASSERT_TRUE(Click(Button(group, 2)).empty());  // "+" again: this card is current
        const std::vector<Card> generatedBefore = Cards(generated);
        ASSERT_EQ(generatedBefore.front(), (Card{"83613729086143875511", madeAt}));

        store->Now = [] { return FixedNow + 1.0; };
        ASSERT_TRUE(Click(Button(group, 1)).empty());  // "<"
        std::vector<Card> releasedNow = releasedBefore;
        releasedNow.push_back({"83613729086143875511", madeAt, FixedNow + 1.0});
        EXPECT_EQ(Cards(released), releasedNow) << "appended with the release time";
        EXPECT_EQ(Cards(generated), std::vector<Card>(generatedBefore.begin() + 1, generatedBefore.end()));

        // ">" takes the released table's current row, the one just appended, and puts it
        // first in the generated table wherever that table's cursor stands.
        generated.Last();
        ASSERT_TRUE(Click(Button(group, 0)).empty());  // ">"
        EXPECT_EQ(Cards(released), releasedBefore);
        EXPECT_EQ(Cards(generated), generatedBefore) << "back in the first row, generation time kept";
    }
}

TEST_F(PinButtonsTest, DeleteOnAnEmptyTableShowsTheEnginesErrorAndChangesNothing)
{
    Dataset& generated = store->GeneratedPins[1];
    EXPECT_TRUE(Click(window->SpeedButton9).empty()) << "deletes without asking";
    ASSERT_EQ(generated.RecordCount(), 0);

    const auto shown = Click(window->SpeedButton9);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, ui::DialogIcon::Error);
    EXPECT_TRUE(shown[0].text.contains("empty table")) << shown[0].text.toStdString();
    EXPECT_EQ(generated.RecordCount(), 0);
    EXPECT_EQ(store->GeneratedPins[0].RecordCount(), 1);
    EXPECT_EQ(store->GeneratedPins[2].RecordCount(), 1);
}

TEST_F(PinButtonsTest, MovingFromAnEmptyTableLeavesNoHalfMadeCard)
{
    // "<" from the empty generated table of "20" and ">" from the empty released table.
    Dataset& generated = store->GeneratedPins[1];
    Dataset& released = store->ReleasedPins[1];
    ASSERT_TRUE(Click(window->SpeedButton9).empty());
    const std::vector<Card> releasedBefore = Cards(released);

    EXPECT_EQ(Click(window->SpeedButton7).size(), 1u) << "the error is shown";
    EXPECT_EQ(released.State(), dataset::DatasetState::Browse);
    EXPECT_EQ(Cards(released), releasedBefore);

    ASSERT_TRUE(Click(window->SpeedButton6).empty());  // the released card goes back
    EXPECT_EQ(released.RecordCount(), 0);
    ASSERT_TRUE(Click(window->SpeedButton9).empty());
    EXPECT_EQ(Click(window->SpeedButton6).size(), 1u);
    EXPECT_EQ(generated.State(), dataset::DatasetState::Browse);
    EXPECT_EQ(generated.RecordCount(), 0);
    released.First();  // a move would post a card left open
    generated.First();
    EXPECT_EQ(released.RecordCount(), 0);
    EXPECT_EQ(generated.RecordCount(), 0);
}

TEST_F(PinButtonsTest, PinNavigatorFollowsTheFocusedPinGrid)
{
    const std::array<ui::DataGrid*, 9> grids = window->PinGrids();
    for (ui::DataGrid* grid : grids) {
        QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
        QCoreApplication::sendEvent(grid, &focusIn);
        EXPECT_EQ(window->DBNavigator3->Dataset(), grid->Dataset()) << grid->objectName().toStdString();
    }
    QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(window->DBGrid1, &focusIn);
    EXPECT_EQ(window->DBNavigator3->Dataset(), grids.back()->Dataset()) << "the users grid is no PIN grid";
}

}  // namespace
}  // namespace parlino::test
