// The operator's PIN-card buttons (">", "<", "+", "-" of every denomination group) and the
// PIN navigator following the focused PIN grid. One handler serves all three groups: it
// reaches its group's tables through the partner links of the clicked button.
#include "server/ZeltServerUnit1.h"

#include "platform/ui/DataGrid.h"
#include "platform/ui/DataNavigator.h"
#include "platform/ui/GuardedCall.h"
#include "server/DataUnit2.h"
#include "server/StoreScopes.h"
#include "server/ZeltServerPinsRandom.h"

#include <QEvent>
#include <QToolButton>

#include <algorithm>
#include <optional>
#include <utility>

namespace parlino {

namespace {
using dataset::Dataset;

// Reports every widget it watches that gets the keyboard focus.
class FocusEntered : public QObject {
public:
    FocusEntered(QObject* parent, std::function<void(QObject*)> entered)
        : QObject(parent), entered_(std::move(entered))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn)
            entered_(watched);
        return false;
    }

private:
    std::function<void(QObject*)> entered_;
};

// Fills the row just begun in `table` and posts it; a row that cannot be posted is dropped,
// so that no half-made card is left behind to be posted by the next move.
template <typename Fill>
void PostNewRow(Dataset& table, Fill fill)
{
    try {
        fill();
        table.Post();
    } catch (...) {
        table.Cancel();
        throw;
    }
}

enum class CardPlace { FirstRow, End };

// Moves the current card of `from` into a new row of `to` with its PIN and generation time,
// and the release time when `to` is a released table. A card that cannot be placed stays
// where it was.
void MoveCurrentCard(Dataset& from, Dataset& to, CardPlace place, std::optional<double> releasedAt)
{
    FrozenViews frozen{&from, &to};
    if (place == CardPlace::FirstRow) {
        to.First();
        to.Insert();
    } else {
        to.Append();
    }
    PostNewRow(to, [&] {
        to.FieldByName("CardPIN").SetValue(from.FieldByName("CardPIN").GetValue());
        if (releasedAt)
            to.FieldByName("ReleasDateTime").SetAsDateTime(*releasedAt);
        to.FieldByName("GenerDateTime").SetValue(from.FieldByName("GenerDateTime").GetValue());
    });
    from.Delete();
}
}  // namespace

void TZeltServerForm1::CreatePins()
{
    using Handler = void (TZeltServerForm1::*)(QObject*);
    const std::array<Handler, 4> handlers = {&TZeltServerForm1::SpeedButton2Click,
                                             &TZeltServerForm1::SpeedButton3Click,
                                             &TZeltServerForm1::SpeedButton4Click,
                                             &TZeltServerForm1::SpeedButton5Click};
    const std::array<QToolButton*, 12> buttons = PinButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        QToolButton* button = buttons[i];
        const Handler handler = handlers[i % handlers.size()];
        connect(button, &QToolButton::clicked, this, [this, button, handler] { (this->*handler)(button); });
    }
    // Owned by the navigator it steers, so it cannot outlive it.
    auto* focus = new FocusEntered(DBNavigator3, [this](QObject* grid) { DBGrid2Enter(grid); });
    for (ui::DataGrid* grid : PinGrids())
        grid->installEventFilter(focus);
}

void TZeltServerForm1::SpeedButton2Click(QObject* Sender)
{
    ui::DataGrid* releasedGrid = Partner(Sender);
    ui::DataGrid* generatedGrid = Partner(releasedGrid);
    if (!releasedGrid || !generatedGrid)
        return;
    ui::runGuarded(*errors_, [&] {
        // Back to the top of the generated cards; the release time goes.
        MoveCurrentCard(*releasedGrid->Dataset(), *generatedGrid->Dataset(), CardPlace::FirstRow,
                        std::nullopt);
    });
}

void TZeltServerForm1::SpeedButton3Click(QObject* Sender)
{
    ui::DataGrid* generatedGrid = Partner(Sender);
    ui::DataGrid* releasedGrid = Partner(generatedGrid);
    if (!generatedGrid || !releasedGrid)
        return;
    ui::runGuarded(*errors_, [&] {
        MoveCurrentCard(*generatedGrid->Dataset(), *releasedGrid->Dataset(), CardPlace::End, store_.Now());
    });
}

void TZeltServerForm1::SpeedButton4Click(QObject* Sender)
{
    ui::DataGrid* generatedGrid = Partner(Sender);
    if (!generatedGrid)
        return;
    ui::runGuarded(*errors_, [&] {
        Dataset& generated = *generatedGrid->Dataset();
        const double now = store_.Now();
        RandomState = PinSeed(now);
        const std::string pin = DrawPin(RandomState);
        // Cards are many and PINs long: no table is searched for the same PIN.
        FrozenViews frozen{&generated};
        generated.Insert();
        PostNewRow(generated, [&] {
            generated.FieldByName("CardPIN").SetAsText(pin);
            generated.FieldByName("GenerDateTime").SetAsDateTime(now);
        });
    });
}

void TZeltServerForm1::SpeedButton5Click(QObject* Sender)
{
    ui::DataGrid* generatedGrid = Partner(Sender);
    if (!generatedGrid)
        return;
    ui::runGuarded(*errors_, [&] {
        Dataset& generated = *generatedGrid->Dataset();
        FrozenViews frozen{&generated};
        generated.Delete();
    });
}

void TZeltServerForm1::DBGrid2Enter(QObject* Sender)
{
    const std::array<ui::DataGrid*, 9> grids = PinGrids();
    const auto grid = std::find(grids.begin(), grids.end(), Sender);
    if (grid != grids.end())
        DBNavigator3->SetDataset((*grid)->Dataset());
}

}  // namespace parlino
