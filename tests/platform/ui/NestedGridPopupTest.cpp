#include "platform/ui/NestedGridPopup.h"

#include "UiTestTables.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/DatasetModel.h"

#include <QApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace parlino::ui {
namespace {

TEST(NestedGridPopupTest, ShowsTheCurrentOwnerRowsAndHidesWhenClosed)
{
    auto table = test::MakeAccounts(3);
    QWidget owner;
    owner.show();
    NestedGridPopup popup(table->FieldAt(3).Nested(), &owner);
    popup.ShowAt(QPoint(40, 50));
    EXPECT_TRUE(popup.Grid()->isVisible());
    EXPECT_EQ(popup.pos(), QPoint(40, 50));
    EXPECT_EQ(popup.Grid()->model()->rowCount(), 1);
    table->MoveTo(1);
    EXPECT_EQ(popup.Grid()->model()->rowCount(), 2);

    EXPECT_TRUE(popup.close());
    EXPECT_FALSE(popup.Grid()->isVisible());
    EXPECT_FALSE(popup.testAttribute(Qt::WA_DeleteOnClose));
    popup.ShowAgain();
    EXPECT_TRUE(popup.Grid()->isVisible());
}

TEST(NestedGridPopupTest, ReportsEachActivation)
{
    auto table = test::MakeAccounts(1);
    NestedGridPopup popup(table->FieldAt(3).Nested(), nullptr);
    QSignalSpy activations(&popup, &NestedGridPopup::activated);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&popup, &activate);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&popup, &deactivate);
    QApplication::sendEvent(&popup, &activate);
    EXPECT_EQ(activations.count(), 2);
}

}  // namespace
}  // namespace parlino::ui
