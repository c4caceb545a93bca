#include "platform/ui/MaskEdit.h"

#include "QtWait.h"
#include "platform/ui/ApplicationExceptions.h"
#include "platform/ui/ControlTag.h"

#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace parlino::ui {
namespace {

struct RaisedError {
    QWidget* control;
    QString message;
};

// A dialog with two octet fields and an OK button, and a handler that records the errors.
class MaskEditTest : public ::testing::Test {
protected:
    MaskEditTest()
        : handler_([this](QWidget* control, const std::exception& error) {
              errors_.push_back({control, QString::fromUtf8(error.what())});
          })
    {
        auto* layout = new QVBoxLayout(&form_);
        for (MaskEdit* edit : {&first_, &second_}) {
            edit->setEditMask(QStringLiteral("!990\\.;0;_"));
            setTag(edit, 2);
            layout->addWidget(edit);
        }
        first_.setText(QStringLiteral("127"));
        second_.setText(QStringLiteral("0"));
        layout->addWidget(&ok_);
        form_.show();
        form_.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form_));
        first_.setFocus();
        test::WaitUntil([this] { return first_.hasFocus(); }, 1000);
    }

    QDialog form_;
    MaskEdit first_{&form_};
    MaskEdit second_{&form_};
    QPushButton ok_{QStringLiteral("OK"), &form_};
    std::vector<RaisedError> errors_;
    ScopedApplicationExceptionHandler handler_;
};

TEST_F(MaskEditTest, TypingTakesOnlyWhatTheMaskHolds)
{
    first_.clear();
    QTest::keyClicks(&first_, QStringLiteral("2a5.67"));
    EXPECT_EQ(first_.text(), QStringLiteral("256")) << "letters, dots and a fourth digit refused";
    EXPECT_EQ(first_.maxLength(), 3);
}

TEST_F(MaskEditTest, TabOutOfIncompleteValueRaisesTheMaskErrorAndKeepsFocus)
{
    first_.clear();
    QTest::keyClick(&first_, Qt::Key_Tab);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0].control, &first_);
    EXPECT_EQ(tag(errors_[0].control), 2);
    EXPECT_EQ(errors_[0].message,
              QStringLiteral("Invalid input value.  Use escape key to abandon changes"));
    EXPECT_TRUE(test::WaitUntil([this] { return first_.hasFocus(); }, 2000));

    first_.setText(QStringLiteral("10"));
    QTest::keyClick(&first_, Qt::Key_Tab);
    EXPECT_EQ(errors_.size(), 1u) << "a complete value leaves quietly";
    EXPECT_TRUE(test::WaitUntil([this] { return second_.hasFocus(); }, 2000));
}

TEST_F(MaskEditTest, EscapePutsBackTheTextOfEntryThenCancels)
{
    bool rejected = false;
    QObject::connect(&form_, &QDialog::rejected, [&rejected] { rejected = true; });
    QTest::keyClick(&first_, Qt::Key_Backspace);
    EXPECT_EQ(first_.text(), QStringLiteral("12"));
    QTest::keyClick(&first_, Qt::Key_Escape);
    EXPECT_EQ(first_.text(), QStringLiteral("127"));
    EXPECT_FALSE(rejected) << "the first Escape abandons the change only";
    QTest::keyClick(&first_, Qt::Key_Escape);
    EXPECT_TRUE(rejected);
}

TEST_F(MaskEditTest, FormValidationStopsAtTheFirstIncompleteEnabledField)
{
    EXPECT_TRUE(ValidateMaskEdits(&form_));
    second_.clear();
    second_.setEnabled(false);
    EXPECT_TRUE(ValidateMaskEdits(&form_)) << "a disabled field is not checked";
    second_.setEnabled(true);
    first_.clear();
    EXPECT_FALSE(ValidateMaskEdits(&form_));
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0].control, &first_);
}

TEST_F(MaskEditTest, ClickingAwayDoesNotCheck)
{
    first_.clear();
    QTest::mouseClick(&ok_, Qt::LeftButton);
    EXPECT_TRUE(errors_.empty());
}

}  // namespace
}  // namespace parlino::ui
