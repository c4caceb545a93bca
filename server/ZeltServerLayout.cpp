// Construction of the operator window's controls and their binding to the store's tables.
#include "server/ZeltServerUnit1.h"

#include "platform/ui/DataGrid.h"
#include "platform/ui/DataNavigator.h"
#include "server/DataUnit2.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace parlino {

namespace {
QPushButton* MakeButton(QWidget* parent, const char* caption, const char* hint = nullptr)
{
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    if (hint)
        button->setToolTip(QString::fromLatin1(hint));
    button->setEnabled(false);
    return button;
}

QToolButton* MakeSpeedButton(QWidget* parent, const char* caption, const char* hint)
{
    auto* button = new QToolButton(parent);
    button->setText(QString::fromLatin1(caption));
    button->setToolTip(QString::fromLatin1(hint));
    button->setEnabled(false);
    button->setMinimumWidth(24);
    return button;
}

ui::DataGrid* MakeGrid(QWidget* parent, const char* hint = nullptr)
{
    auto* grid = new ui::DataGrid(parent);
    if (hint)
        grid->setToolTip(QString::fromLatin1(hint));
    return grid;
}

// One denomination: the activated grid, the released grid with ">" and the generated grid
// with "<", "+", "-".
struct PinGroupParts {
    QGroupBox* group;
    ui::DataGrid* activated;
    ui::DataGrid* released;
    ui::DataGrid* generated;
    std::array<QToolButton*, 4> buttons;
};

PinGroupParts MakePinGroup(QWidget* parent, const char* title)
{
    PinGroupParts parts{};
    parts.group = new QGroupBox(QString::fromLatin1(title), parent);
    auto* layout = new QVBoxLayout(parts.group);
    parts.activated = MakeGrid(parts.group, "Activated PIN codes");
    parts.released = MakeGrid(parts.group, "Released PIN codes");
    parts.generated = MakeGrid(parts.group, "Generated PIN codes");
    parts.buttons = {MakeSpeedButton(parts.group, ">", "Remove from released"),
                     MakeSpeedButton(parts.group, "<", "Move to released"),
                     MakeSpeedButton(parts.group, "+", "Generate"),
                     MakeSpeedButton(parts.group, "-", "Delete")};
    layout->addWidget(parts.activated, 1);
    auto* releasedRow = new QHBoxLayout;
    releasedRow->addWidget(parts.released, 1);
    releasedRow->addWidget(parts.buttons[0], 0, Qt::AlignTop);
    layout->addLayout(releasedRow, 1);
    auto* generatedRow = new QHBoxLayout;
    generatedRow->addWidget(parts.generated, 1);
    auto* generatedButtons = new QVBoxLayout;
    for (int i = 1; i < 4; ++i)
        generatedButtons->addWidget(parts.buttons[i]);
    generatedButtons->addStretch();
    generatedRow->addLayout(generatedButtons);
    layout->addLayout(generatedRow, 1);
    return parts;
}
}  // namespace

void TZeltServerForm1::CreateControls()
{
    setWindowTitle(QStringLiteral("Parlino Server"));
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* page = new QVBoxLayout(central);

    // Top: the store and server buttons and the info line.
    auto* buttonRow = new QHBoxLayout;
    BitBtn22 = MakeButton(central, "Reload All");
    BitBtn22->setEnabled(true);
    BitBtn23 = MakeButton(central, "Save Ncrit", "Save all data without *-mark");
    BitBtn24 = MakeButton(central, "Sort Col Asc");
    BitBtn25 = MakeButton(central, "Sort Col Dsc");
    BitBtn26 = MakeButton(central, "Start Server");
    BitBtn27 = MakeButton(central, "Stop Server");
    BitBtn28 = MakeButton(central, "Start Editor");
    BitBtn28->setVisible(false);
    BitBtn29 = MakeButton(central, "Send Info", "Send info to 'ONLINE' users");
    Memo2 = new QLineEdit(central);
    for (QPushButton* button : {BitBtn22, BitBtn23, BitBtn24, BitBtn25, BitBtn26, BitBtn27,
                                BitBtn28, BitBtn29})
        buttonRow->addWidget(button);
    buttonRow->addWidget(Memo2, 1);
    page->addLayout(buttonRow);

    // The accounts with their navigators, then the talks in progress, each across the whole
    // width: the users grid's columns up to CardPIN and the talks grid's five need it.
    UserListGroup = new QGroupBox(QStringLiteral("User List"), central);
    auto* users = new QVBoxLayout(UserListGroup);
    auto* userBar = new QHBoxLayout;
    SpeedButton1 = MakeSpeedButton(UserListGroup, "*", "Save *-fields for current record");
    DBNavigator1 = new ui::DataNavigator(UserListGroup);
    DBNavigator2 = new ui::DataNavigator(UserListGroup);
    userBar->addWidget(SpeedButton1);
    userBar->addWidget(DBNavigator1);
    userBar->addStretch();
    userBar->addWidget(DBNavigator2);
    users->addLayout(userBar);
    DBGrid1 = MakeGrid(UserListGroup);
    users->addWidget(DBGrid1, 1);
    page->addWidget(UserListGroup, 6);

    TalksGroup = new QGroupBox(QStringLiteral("Talks"), central);
    auto* talks = new QVBoxLayout(TalksGroup);
    DBGrid11 = MakeGrid(TalksGroup);
    talks->addWidget(DBGrid11);
    page->addWidget(TalksGroup, 3);

    // Bottom: the three PIN-card denominations and their navigator.
    auto* pins = new QHBoxLayout;
    const PinGroupParts ten = MakePinGroup(central, "10");
    const PinGroupParts twenty = MakePinGroup(central, "20");
    const PinGroupParts fifty = MakePinGroup(central, "50");
    PinGroups = {ten.group, twenty.group, fifty.group};
    DBGrid2 = ten.activated, DBGrid3 = ten.released, DBGrid4 = ten.generated;
    DBGrid5 = twenty.activated, DBGrid6 = twenty.released, DBGrid7 = twenty.generated;
    DBGrid8 = fifty.activated, DBGrid9 = fifty.released, DBGrid10 = fifty.generated;
    SpeedButton2 = ten.buttons[0], SpeedButton3 = ten.buttons[1];
    SpeedButton4 = ten.buttons[2], SpeedButton5 = ten.buttons[3];
    SpeedButton6 = twenty.buttons[0], SpeedButton7 = twenty.buttons[1];
    SpeedButton8 = twenty.buttons[2], SpeedButton9 = twenty.buttons[3];
    SpeedButton10 = fifty.buttons[0], SpeedButton11 = fifty.buttons[1];
    SpeedButton12 = fifty.buttons[2], SpeedButton13 = fifty.buttons[3];
    for (QGroupBox* group : PinGroups)
        pins->addWidget(group, 1);
    page->addLayout(pins, 8);
    DBNavigator3 = new ui::DataNavigator(central);
    page->addWidget(DBNavigator3, 0, Qt::AlignLeft);
    for (ui::DataNavigator* navigator : {DBNavigator1, DBNavigator2, DBNavigator3})
        navigator->setEnabled(false);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    Timer2 = new QTimer(this);
    Timer2->setInterval(1000);
    Timer2->setSingleShot(true);

    PopupMenu1 = new QMenu(this);
    Restore1 = PopupMenu1->addAction(QStringLiteral("Restore"));
    PopupMenu1->setDefaultAction(Restore1);
    PopupMenu1->addSeparator()->setEnabled(false);
    StopExit1 = PopupMenu1->addAction(QStringLiteral("Stop && Exit"));
    TrayIcon1 = new QSystemTrayIcon(this);
    TrayIcon1->setToolTip(QStringLiteral("Parlino Server"));
    TrayIcon1->setContextMenu(PopupMenu1);
    setWindowIcon(style()->standardIcon(QStyle::SP_ComputerIcon));
    TrayIcon1->setIcon(windowIcon());

    // Fits a 1280 x 1024 screen with its title bar and a panel.
    resize(1260, 950);
}

void TZeltServerForm1::BindTables()
{
    DBGrid1->SetDataset(&store_.ClientDataSet1);
    DBNavigator1->SetDataset(&store_.ClientDataSet1);
    DBGrid11->SetDataset(&store_.TalksTable);
    const std::array<ui::DataGrid*, 9> grids = PinGrids();
    for (int denomination = 0; denomination < 3; ++denomination) {
        grids[denomination * 3 + 0]->SetDataset(&store_.ActivatedPins[denomination]);
        grids[denomination * 3 + 1]->SetDataset(&store_.ReleasedPins[denomination]);
        grids[denomination * 3 + 2]->SetDataset(&store_.GeneratedPins[denomination]);
    }
}

std::array<ui::DataGrid*, 9> TZeltServerForm1::PinGrids() const
{
    return {DBGrid2, DBGrid3, DBGrid4, DBGrid5, DBGrid6, DBGrid7, DBGrid8, DBGrid9, DBGrid10};
}

std::array<QToolButton*, 12> TZeltServerForm1::PinButtons() const
{
    return {SpeedButton2, SpeedButton3, SpeedButton4,  SpeedButton5,
            SpeedButton6, SpeedButton7, SpeedButton8,  SpeedButton9,
            SpeedButton10, SpeedButton11, SpeedButton12, SpeedButton13};
}

ui::DataGrid* TZeltServerForm1::Partner(const QObject* control) const
{
    const auto found = partners_.find(control);
    return found == partners_.end() ? nullptr : found->second;
}

}  // namespace parlino
