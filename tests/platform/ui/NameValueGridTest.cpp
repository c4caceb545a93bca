#include "platform/ui/NameValueGrid.h"

#include "QtWait.h"
#include "platform/ui/ApplicationExceptions.h"
#include "platform/ui/ControlTag.h"

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace parlino::ui {
namespace {

TEST(NameValueModelTest, LinesSplitAtTheFirstEqualsSignAndComeBackWhole)
{
    NameValueModel model;
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    model.setLines({QStringLiteral("bob=105"), QStringLiteral("Carl=102=x"),
                    QStringLiteral("noequals"), QStringLiteral("=")});
    ASSERT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.key(1), QStringLiteral("Carl"));
    EXPECT_EQ(model.value(1), QStringLiteral("102=x"));
    EXPECT_EQ(model.key(2), QStringLiteral("noequals"));
    EXPECT_EQ(model.value(2), QString());
    EXPECT_EQ(model.lines(),
              (QStringList{QStringLiteral("bob=105"), QStringLiteral("Carl=102=x"),
                           QStringLiteral("noequals="), QStringLiteral("=")}));
}

TEST(NameValueModelTest, NamesRefuseEqualsSignsAndEditingFollowsTheOptions)
{
    NameValueModel model;
    model.setLines({QStringLiteral("bob=105")});
    EXPECT_FALSE(model.setData(model.index(0, 0), QStringLiteral("a=b"), Qt::EditRole));
    EXPECT_EQ(model.key(0), QStringLiteral("bob"));
    EXPECT_TRUE(model.setData(model.index(0, 1), QStringLiteral("1=2"), Qt::EditRole))
        << "values may hold '='";
    EXPECT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    model.setKeysEditable(false);
    model.setValuesEditable(false);
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
}

TEST(NameValueGridTest, RowsAreInsertedBeforeTheCurrentOneAndRemoved)
{
    NameValueGrid grid;
    grid.setLines({QStringLiteral("a=1"), QStringLiteral("b=2")});
    EXPECT_EQ(grid.currentRow(), -1);
    EXPECT_FALSE(grid.removeCurrentRow());
    grid.insertRowBeforeCurrent();
    EXPECT_EQ(grid.lines().last(), QStringLiteral("=")) << "no current row: appended";
    grid.setCurrentRow(1);
    grid.insertRowBeforeCurrent();
    EXPECT_EQ(grid.currentRow(), 1);
    EXPECT_EQ(grid.lines(),
              (QStringList{QStringLiteral("a=1"), QStringLiteral("="), QStringLiteral("b=2"),
                           QStringLiteral("=")}));
    grid.setCurrentRow(0);
    EXPECT_TRUE(grid.removeCurrentRow());
    EXPECT_EQ(grid.lines().first(), QStringLiteral("="));
}

TEST(NameValueGridTest, TypingAnEqualsSignIntoANameRaisesTheKeyErrorFromTheTaggedEditor)
{
    std::vector<std::pair<QWidget*, QString>> errors;
    ScopedApplicationExceptionHandler handler(
        [&errors](QWidget* control, const std::exception& error) {
            errors.emplace_back(control, QString::fromUtf8(error.what()));
        });
    NameValueGrid grid;
    setTag(&grid, 3);
    grid.setLines({QStringLiteral("bob=105")});
    grid.show();
    grid.setCurrentIndex(grid.lineModel()->index(0, NameValueModel::KeyColumn));
    grid.edit(grid.currentIndex());
    auto* editor = grid.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->end(false);
    QTest::keyClicks(editor, QStringLiteral("x="));
    ASSERT_EQ(errors.size(), 1u) << "only the '=' raises";
    EXPECT_EQ(errors[0].first, editor);
    EXPECT_EQ(tag(errors[0].first), 3);
    EXPECT_EQ(errors[0].second, QStringLiteral("Key may not contain equals sign (\"=\")"));

    // Left as it is, the name with '=' is not taken when the edit ends.
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(grid.lines(), QStringList{QStringLiteral("bob=105")});
}

}  // namespace
}  // namespace parlino::ui
