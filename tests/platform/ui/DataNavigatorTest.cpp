#include "platform/ui/DataNavigator.h"

#include "UiTestTables.h"
#include "platform/ui/Dialogs.h"

#include <QSignalSpy>
#include <QToolButton>

#include <gtest/gtest.h>

namespace parlino::ui {
namespace {

using NB = NavigateButton;

bool Enabled(const DataNavigator& navigator, NB which)
{
    return navigator.Button(which)->isEnabled();
}

TEST(DataNavigatorTest, UnboundOrClosedMeansEveryButtonDisabled)
{
    DataNavigator navigator;
    for (int i = 0; i < NavigateButtonCount; ++i)
        EXPECT_FALSE(Enabled(navigator, static_cast<NB>(i)));
    dataset::Dataset closed({dataset::IntegerField("x")});
    navigator.SetDataset(&closed);
    EXPECT_FALSE(Enabled(navigator, NB::Insert));
    closed.Open();
    EXPECT_TRUE(Enabled(navigator, NB::Insert));
    EXPECT_FALSE(Enabled(navigator, NB::Delete)) << "nothing to delete in an empty table";
}

TEST(DataNavigatorTest, ButtonsFollowPositionAndState)
{
    auto table = test::MakeAccounts(3);
    DataNavigator navigator;
    navigator.SetDataset(table.get());
    EXPECT_FALSE(Enabled(navigator, NB::First));
    EXPECT_TRUE(Enabled(navigator, NB::Next));
    EXPECT_FALSE(Enabled(navigator, NB::Post));

    navigator.Click(NB::Last);
    EXPECT_EQ(table->Position(), 2);
    EXPECT_FALSE(Enabled(navigator, NB::Next));
    EXPECT_TRUE(Enabled(navigator, NB::Prior));

    navigator.Click(NB::Edit);
    EXPECT_EQ(table->State(), dataset::DatasetState::Edit);
    EXPECT_TRUE(Enabled(navigator, NB::Post));
    EXPECT_FALSE(Enabled(navigator, NB::Edit));
    table->FieldAt(1).SetAsText("changed");
    navigator.Click(NB::Cancel);
    EXPECT_EQ(table->FieldAt(1).AsText(), "name3");

    navigator.setEnabled(false);
    navigator.Click(NB::First);
    EXPECT_EQ(table->Position(), 2) << "a disabled navigator does nothing";
    navigator.setEnabled(true);
    EXPECT_TRUE(Enabled(navigator, NB::First));
}

TEST(DataNavigatorTest, DeleteAsksFirstAndPostErrorsAreShown)
{
    auto table = test::MakeAccounts(2);
    DataNavigator navigator;
    navigator.SetDataset(table.get());
    {
        ScopedDialogResponder no(ScopedDialogResponder::always(DialogAnswer::Cancel));
        navigator.Click(NB::Delete);
        EXPECT_EQ(no.requests().size(), 1u);
        EXPECT_EQ(table->RecordCount(), 2);
    }
    {
        ScopedDialogResponder yes(ScopedDialogResponder::always(DialogAnswer::Ok));
        navigator.Click(NB::Delete);
        EXPECT_EQ(table->RecordCount(), 1);
    }
    // Posting a new row without its required Id fails with the engine's message box.
    ScopedDialogResponder errors(ScopedDialogResponder::always(DialogAnswer::Ok));
    QSignalSpy clicks(&navigator, &DataNavigator::clicked);
    int stateSeen = -1;
    QObject::connect(&navigator, &DataNavigator::clicked,
                     [&] { stateSeen = static_cast<int>(table->State()); });
    navigator.Click(NB::Insert);
    EXPECT_EQ(stateSeen, static_cast<int>(dataset::DatasetState::Insert)) << "reported after acting";
    navigator.Click(NB::Post);
    ASSERT_EQ(errors.requests().size(), 1u);
    EXPECT_EQ(errors.requests()[0].icon, DialogIcon::Error);
    EXPECT_EQ(table->State(), dataset::DatasetState::Insert);
    EXPECT_EQ(clicks.count(), 2);
}

}  // namespace
}  // namespace parlino::ui
