#include "WindowTestFixture.h"

#include "platform/ui/DataGrid.h"
#include "platform/ui/DataNavigator.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace parlino::test {
namespace {

using WindowLayoutTest = WindowTest;

TEST_F(WindowLayoutTest, OnlyReloadAllIsUsableAtStart)
{
    window->show();
    for (QPushButton* button : {window->BitBtn23, window->BitBtn24, window->BitBtn25, window->BitBtn26,
                                window->BitBtn27, window->BitBtn28, window->BitBtn29})
        EXPECT_FALSE(button->isEnabled()) << button->text().toStdString();
    EXPECT_TRUE(window->BitBtn22->isEnabled());
    EXPECT_FALSE(window->BitBtn28->isVisible()) << "Start Editor is never shown";
    EXPECT_FALSE(window->SpeedButton1->isEnabled());
    for (ui::DataNavigator* navigator : {window->DBNavigator1, window->DBNavigator2, window->DBNavigator3})
        EXPECT_FALSE(navigator->isEnabled());
    for (ui::DataGrid* grid : window->PinGrids())
        EXPECT_FALSE(grid->Editing());
    EXPECT_FALSE(window->DBGrid1->Editing());
}

TEST_F(WindowLayoutTest, PinButtonsAndGridsAreLinkedWithinTheirGroup)
{
    const std::array<ui::DataGrid*, 9> grids = window->PinGrids();
    const std::array<QToolButton*, 12> buttons = window->PinButtons();
    for (int group = 0; group < 3; ++group) {
        const dataset::Dataset* tables[] = {&store->ActivatedPins[group], &store->ReleasedPins[group],
                                            &store->GeneratedPins[group]};
        for (int kind = 0; kind < 3; ++kind) {
            EXPECT_EQ(grids[group * 3 + kind]->Dataset(), tables[kind]);
            EXPECT_TRUE(window->PinGroups[group]->isAncestorOf(grids[group * 3 + kind]));
        }
        ui::DataGrid* released = grids[group * 3 + 1];
        ui::DataGrid* generated = grids[group * 3 + 2];
        EXPECT_EQ(window->Partner(released), generated);
        EXPECT_EQ(window->Partner(generated), released);
        EXPECT_EQ(window->Partner(grids[group * 3]), nullptr);
        for (int i = 0; i < 4; ++i) {
            QToolButton* button = buttons[group * 4 + i];
            EXPECT_FALSE(button->isEnabled());
            EXPECT_TRUE(window->PinGroups[group]->isAncestorOf(button));
            EXPECT_EQ(window->Partner(button), i == 0 ? released : generated) << button->text().toStdString();
        }
    }
}

// On a 1280 x 1024 screen the window's default size shows, without scrolling, the talks
// grid's five columns, the users grid's columns up to CardPIN, and in every PIN grid the
// card number of at least three rows.
TEST_F(WindowLayoutTest, TheDefaultSizeShowsWhatTheOperatorReads)
{
    ASSERT_TRUE(Reload().empty());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_LE(window->width(), 1280);
    EXPECT_LE(window->height(), 1024 - 64) << "room for a title bar and a panel";
    const auto shownWhole = [](ui::DataGrid* grid, int columns) {
        return grid->columnViewportPosition(columns - 1) + grid->columnWidth(columns - 1)
               <= grid->viewport()->width();
    };
    EXPECT_TRUE(shownWhole(window->DBGrid11, 5));
    EXPECT_TRUE(shownWhole(window->DBGrid1, 8));
    for (ui::DataGrid* grid : window->PinGrids()) {
        EXPECT_TRUE(shownWhole(grid, 1)) << grid->toolTip().toStdString();
        EXPECT_GE(grid->viewport()->height(), 3 * grid->verticalHeader()->defaultSectionSize())
            << grid->toolTip().toStdString();
    }
}

}  // namespace
}  // namespace parlino::test
