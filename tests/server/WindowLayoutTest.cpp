#include "WindowTestFixture.h"

#include "platform/ui/DataGrid.h"
#include "platform/ui/DataNavigator.h"
#include "platform/ui/DatasetModel.h"

#include <QGroupBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>

namespace parlino::test {
namespace {

using WindowLayoutTest = WindowTest;

TEST_F(WindowLayoutTest, ButtonsStartWithTheirCaptionsAndOnlyReloadAllEnabled)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Parlino Server"));
    EXPECT_EQ(window->SavedCaption, QStringLiteral("Parlino Server"));
    const std::vector<std::tuple<QPushButton*, const char*, const char*>> buttons{
        {window->BitBtn22, "Reload All", ""},
        {window->BitBtn23, "Save Ncrit", "Save all data without *-mark"},
        {window->BitBtn24, "Sort Col Asc", ""},
        {window->BitBtn25, "Sort Col Dsc", ""},
        {window->BitBtn26, "Start Server", ""},
        {window->BitBtn27, "Stop Server", ""},
        {window->BitBtn28, "Start Editor", ""},
        {window->BitBtn29, "Send Info", "Send info to 'ONLINE' users"},
    };
    for (const auto& [button, caption, hint] : buttons) {
        EXPECT_EQ(button->text(), QString::fromLatin1(caption));
        EXPECT_EQ(button->toolTip(), QString::fromLatin1(hint)) << caption;
        EXPECT_EQ(button->isEnabled(), button == window->BitBtn22) << caption;
    }
    window->show();
    EXPECT_FALSE(window->BitBtn28->isVisible());
    EXPECT_TRUE(window->BitBtn22->isVisible());
    EXPECT_EQ(window->SpeedButton1->text(), QStringLiteral("*"));
    EXPECT_EQ(window->SpeedButton1->toolTip(), QStringLiteral("Save *-fields for current record"));
    EXPECT_FALSE(window->SpeedButton1->isEnabled());
    EXPECT_TRUE(window->Memo2->toPlainText().isEmpty());
    EXPECT_EQ(window->Memo2->lineWrapMode(), QPlainTextEdit::NoWrap);
    for (ui::DataNavigator* navigator : {window->DBNavigator1, window->DBNavigator2, window->DBNavigator3})
        EXPECT_FALSE(navigator->isEnabled());
    EXPECT_EQ(window->DBNavigator2->Dataset(), nullptr);
    EXPECT_FALSE(window->Timer1->isActive());
    EXPECT_EQ(window->Timer1->interval(), 1000);
    EXPECT_EQ(window->TrayIcon1->toolTip(), QStringLiteral("Parlino Server"));
    EXPECT_FALSE(window->TrayIcon1->isVisible());
    EXPECT_EQ(window->PopupMenu1->defaultAction(), window->Restore1);
    EXPECT_EQ(window->StopExit1->text(), QStringLiteral("Stop && Exit"));
}

TEST_F(WindowLayoutTest, GridsShowTheirTablesReadOnlyUnderTheirGroups)
{
    EXPECT_EQ(window->UserListGroup->title(), QStringLiteral("User List"));
    EXPECT_EQ(window->TalksGroup->title(), QStringLiteral("Talks"));
    EXPECT_TRUE(window->UserListGroup->isAncestorOf(window->DBGrid1));
    EXPECT_TRUE(window->UserListGroup->isAncestorOf(window->DBNavigator2));
    EXPECT_TRUE(window->TalksGroup->isAncestorOf(window->DBGrid11));

    const std::vector<const char*> userTitles{
        "Client_ID", "*Password", "IP_Address", "Name", "Loc", "*Status", "*Balance", "*CardPIN",
        "*ActivDateTime", "*Prev7ServDays", "*Prev7ServDaysDur", "*CurServDay", "*CurServDayDur",
        "Contact"};
    ASSERT_TRUE(Reload().empty());
    ASSERT_EQ(window->DBGrid1->model()->columnCount(), static_cast<int>(userTitles.size()));
    for (std::size_t i = 0; i < userTitles.size(); ++i)
        EXPECT_EQ(window->DBGrid1->model()->headerData(static_cast<int>(i), Qt::Horizontal).toString(),
                  QString::fromLatin1(userTitles[i]));
    EXPECT_EQ(window->DBGrid11->Dataset(), &store->TalksTable);
    EXPECT_EQ(window->DBGrid11->model()->columnCount(), 5);

    const char* groups[] = {"10", "20", "50"};
    const char* hints[] = {"Activated PIN codes", "Released PIN codes", "Generated PIN codes"};
    const int columns[] = {5, 3, 2};
    const std::array<ui::DataGrid*, 9> grids = window->PinGrids();
    for (int group = 0; group < 3; ++group) {
        EXPECT_EQ(window->PinGroups[group]->title(), QString::fromLatin1(groups[group]));
        const dataset::Dataset* tables[] = {&store->ActivatedPins[group], &store->ReleasedPins[group],
                                            &store->GeneratedPins[group]};
        for (int kind = 0; kind < 3; ++kind) {
            ui::DataGrid* grid = grids[group * 3 + kind];
            EXPECT_TRUE(window->PinGroups[group]->isAncestorOf(grid));
            EXPECT_EQ(grid->toolTip(), QString::fromLatin1(hints[kind]));
            EXPECT_EQ(grid->Dataset(), tables[kind]);
            EXPECT_EQ(grid->model()->columnCount(), columns[kind]);
        }
    }
}

TEST_F(WindowLayoutTest, PinButtonsAndGridsAreLinkedWithinTheirGroup)
{
    const std::array<ui::DataGrid*, 9> grids = window->PinGrids();
    const std::array<QToolButton*, 12> buttons = window->PinButtons();
    const char* captions[] = {">", "<", "+", "-"};
    const char* hints[] = {"Remove from released", "Move to released", "Generate", "Delete"};
    for (int group = 0; group < 3; ++group) {
        ui::DataGrid* released = grids[group * 3 + 1];
        ui::DataGrid* generated = grids[group * 3 + 2];
        EXPECT_EQ(window->Partner(released), generated);
        EXPECT_EQ(window->Partner(generated), released);
        EXPECT_EQ(window->Partner(grids[group * 3]), nullptr);
        for (int i = 0; i < 4; ++i) {
            QToolButton* button = buttons[group * 4 + i];
            EXPECT_EQ(button->text(), QString::fromLatin1(captions[i]));
            EXPECT_EQ(button->toolTip(), QString::fromLatin1(hints[i]));
            EXPECT_FALSE(button->isEnabled());
            EXPECT_TRUE(window->PinGroups[group]->isAncestorOf(button));
            EXPECT_EQ(window->Partner(button), i == 0 ? released : generated);
        }
    }
    EXPECT_EQ(buttons[4], window->SpeedButton6);
    EXPECT_EQ(grids[8], window->DBGrid10);
}

}  // namespace
}  // namespace parlino::test
