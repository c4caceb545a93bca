// The floating grids on an account's two call logs, opened from the users grid's ellipsis
// button, and the navigator that works on whichever of them was activated last.
#include "server/ZeltServerUnit1.h"

#include "platform/ui/DataGrid.h"
#include "platform/ui/DataNavigator.h"
#include "platform/ui/NestedGridPopup.h"
#include "server/DataUnit2.h"

namespace parlino {

void TZeltServerForm1::DBGrid1EditButtonClick()
{
    const dataset::Field* field = DBGrid1->SelectedField();
    if (!field)
        return;
    // Both open at the users grid's mid-height, half its height tall: the previous days at
    // its left edge, the current day at its centre.
    const QRect client = DBGrid1->rect();
    if (field->Name() == "Prev7ServDays") {
        dataset::Dataset& log = store_.Prev7ServDays;
        if (!Prev7ServDaysPopup) {
            Prev7ServDaysPopup = OpenLogPopup(log, QPoint(1, client.height() / 2 + 1));
            Prev7ServDaysGrid = Prev7ServDaysPopup->Grid();
            connect(Prev7ServDaysPopup, &ui::NestedGridPopup::activated, this,
                    &TZeltServerForm1::Prev7ServDaysWndProc);
        } else {
            Prev7ServDaysPopup->ShowAgain();
        }
        DBNavigator2->SetDataset(&log);
        Prev7ServDaysGrid->setFocus();
    } else if (field->Name() == "CurServDay") {
        dataset::Dataset& log = store_.CurServDay;
        if (!CurServDayPopup) {
            CurServDayPopup =
                OpenLogPopup(log, QPoint(client.width() / 2 + 1, client.height() / 2 + 1));
            CurServDayGrid = CurServDayPopup->Grid();
            connect(CurServDayPopup, &ui::NestedGridPopup::activated, this,
                    &TZeltServerForm1::CurServDayWndProc);
        } else {
            CurServDayPopup->ShowAgain();
        }
        DBNavigator2->SetDataset(&log);
        CurServDayGrid->setFocus();
    }
}

ui::NestedGridPopup* TZeltServerForm1::OpenLogPopup(dataset::Dataset& nested, const QPoint& clientPoint)
{
    auto* popup = new ui::NestedGridPopup(&nested, this);
    // The call logs are editable exactly when the accounts are.
    popup->Grid()->SetEditing(DBGrid1->Editing());
    connect(DBGrid1, &ui::DataGrid::editingChanged, popup->Grid(), &ui::DataGrid::SetEditing);
    const QRect client = DBGrid1->rect();
    popup->resize(std::max(client.width() / 2, 200), std::max(client.height() / 2, 80));
    popup->ShowAt(DBGrid1->mapToGlobal(clientPoint) - QPoint(1, 1));
    DBNavigator2->setEnabled(true);
    return popup;
}

void TZeltServerForm1::Prev7ServDaysWndProc()
{
    DBNavigator2->SetDataset(&store_.Prev7ServDays);
}

void TZeltServerForm1::CurServDayWndProc()
{
    DBNavigator2->SetDataset(&store_.CurServDay);
}

void TZeltServerForm1::DBNavigator2Click(ui::NavigateButton)
{
    const dataset::Dataset* bound = DBNavigator2->Dataset();
    if (!bound)
        return;
    if (Prev7ServDaysPopup && bound == &store_.Prev7ServDays) {
        if (!Prev7ServDaysGrid->isVisible())
            Prev7ServDaysPopup->ShowAgain();
        Prev7ServDaysGrid->setFocus();
    } else if (CurServDayPopup && bound == &store_.CurServDay) {
        if (!CurServDayGrid->isVisible())
            CurServDayPopup->ShowAgain();
        CurServDayGrid->setFocus();
    }
}

}  // namespace parlino
