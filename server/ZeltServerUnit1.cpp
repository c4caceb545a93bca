#include "server/ZeltServerUnit1.h"

#include "platform/dataset/DatasetErrors.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/DataNavigator.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ErrorDisplay.h"
#include "platform/ui/GuardedCall.h"
#include "platform/ui/NestedGridPopup.h"
#include "server/DataUnit2.h"

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

namespace parlino {

TZeltServerForm1::TZeltServerForm1(TDataModule2& store, QWidget* parent)
    : QMainWindow(parent),
      store_(store),
      errors_(new ui::ErrorDisplay(this))
{
    callLogSaver_.setFailureHook(
        [errors = errors_](const std::string& text) { errors->postError(QString::fromLatin1(text)); });
    CreateControls();
    BindTables();
    CreateSignalling();
    CreateTalks();
    CreatePins();
    CreateStartup();
    connect(BitBtn22, &QPushButton::clicked, this, &TZeltServerForm1::BitBtn22Click);
    connect(BitBtn23, &QPushButton::clicked, this, &TZeltServerForm1::BitBtn23Click);
    connect(BitBtn24, &QPushButton::clicked, this, &TZeltServerForm1::BitBtn24Click);
    connect(BitBtn25, &QPushButton::clicked, this, &TZeltServerForm1::BitBtn25Click);
    connect(SpeedButton1, &QToolButton::clicked, this, &TZeltServerForm1::SpeedButton1Click);
    connect(DBGrid1, &ui::DataGrid::editButtonClicked, this,
            &TZeltServerForm1::DBGrid1EditButtonClick);
    connect(DBNavigator2, &ui::DataNavigator::clicked, this, &TZeltServerForm1::DBNavigator2Click);
    store_.FinishPendingRepaint = [this] { repaint(); };
    store_.showErrorMessage = [](const QString& text) {
        ui::ShowMessage(text, QStringLiteral("Error"), ui::DialogButtons::Ok, ui::DialogIcon::Error);
    };
    FormCreate();
}

TZeltServerForm1::~TZeltServerForm1()
{
    FormDestroy();
    store_.FinishPendingRepaint = nullptr;
    store_.showErrorMessage = nullptr;
}

void TZeltServerForm1::showCapacityWarning(const QString& text)
{
    auto* line = new QLabel(text, this);
    line->setObjectName(QStringLiteral("CapacityWarning"));
    statusBar()->addPermanentWidget(line);
    errors_->note(text, windowTitle());
}

void TZeltServerForm1::FormCreate()
{
    SavedCaption = windowTitle();
    // Partner links: one PIN handler serves all three groups by finding its tables here.
    const std::array<ui::DataGrid*, 9> grids = PinGrids();
    const std::array<QToolButton*, 12> buttons = PinButtons();
    for (int group = 0; group < 3; ++group) {
        ui::DataGrid* released = grids[group * 3 + 1];
        ui::DataGrid* generated = grids[group * 3 + 2];
        partners_[released] = generated;
        partners_[generated] = released;
        partners_[buttons[group * 4 + 0]] = released;
        for (int i = 1; i < 4; ++i)
            partners_[buttons[group * 4 + i]] = generated;
    }
}

void TZeltServerForm1::EnableStoreControls()
{
    for (QPushButton* button : {BitBtn23, BitBtn24, BitBtn25, BitBtn26})
        button->setEnabled(true);
    DBGrid1->SetEditing(true);
    for (ui::DataGrid* grid : PinGrids())
        grid->SetEditing(true);
    SpeedButton1->setEnabled(true);
    for (QToolButton* button : PinButtons())
        button->setEnabled(true);
    DBNavigator1->setEnabled(true);
    DBNavigator3->setEnabled(true);
}

}  // namespace parlino
