#include "platform/ui/FormHook.h"

#include "platform/ui/MaskEdit.h"

#include <QPushButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace parlino::ui {
namespace {

// A form whose OK accepts only a complete number and whose "More" opens a second form.
class SampleForm : public QDialog {
public:
    SampleForm()
    {
        setWindowTitle(QStringLiteral("Sample"));
        auto* layout = new QVBoxLayout(this);
        number->setObjectName(QStringLiteral("MaskEdit1"));
        number->setEditMask(QStringLiteral("!990;0;_"));
        for (QPushButton* button : {ok, more})
            layout->addWidget(button);
        ok->setObjectName(QStringLiteral("BitBtn1"));
        more->setObjectName(QStringLiteral("BitBtn2"));
        connect(ok, &QPushButton::clicked, this, [this] {
            if (number->isValueComplete())
                accept();
        });
        connect(more, &QPushButton::clicked, this, [this] {
            QDialog inner;
            inner.setWindowTitle(QStringLiteral("Inner"));
            innerResult = ExecForm(inner);
        });
    }
    MaskEdit* number = new MaskEdit(this);
    QPushButton* ok = new QPushButton(QStringLiteral("OK"), this);
    QPushButton* more = new QPushButton(QStringLiteral("More"), this);
    int innerResult = -1;
};

TEST(FormHookTest, TheResponderFillsInAndPressesOk)
{
    ScopedFormResponder hook([](QDialog& form) {
        FormDriver driver(form);
        driver.type(QStringLiteral("MaskEdit1"), QStringLiteral("4x2"));
        driver.click(QStringLiteral("BitBtn1"));
    });
    SampleForm form;
    EXPECT_EQ(ExecForm(form), QDialog::Accepted);
    EXPECT_EQ(form.number->text(), QStringLiteral("42")) << "typing goes through the mask";
    ASSERT_EQ(hook.requests().size(), 1u);
    EXPECT_EQ(hook.requests()[0].caption, QStringLiteral("Sample"));
    EXPECT_EQ(hook.requests()[0].result, QDialog::Accepted);
    EXPECT_FALSE(hook.requests()[0].leftOpen);
    EXPECT_FALSE(form.isVisible());
}

TEST(FormHookTest, AFormThatStaysOpenIsClosedAsCancelled)
{
    ScopedFormResponder hook(ScopedFormResponder::clicking(QStringLiteral("BitBtn1")));
    SampleForm form;  // OK refuses the empty number
    EXPECT_EQ(ExecForm(form), QDialog::Rejected);
    ASSERT_EQ(hook.requests().size(), 1u);
    EXPECT_TRUE(hook.requests()[0].leftOpen);
    EXPECT_FALSE(form.isVisible());
}

TEST(FormHookTest, AFormOpenedFromAFormComesToTheSameResponderInOrder)
{
    ScopedFormResponder hook([](QDialog& form) {
        if (form.windowTitle() == QStringLiteral("Sample"))
            FormDriver(form).click(QStringLiteral("BitBtn2"));
        else
            form.accept();
    });
    SampleForm form;
    EXPECT_EQ(ExecForm(form), QDialog::Rejected);
    EXPECT_EQ(form.innerResult, QDialog::Accepted);
    ASSERT_EQ(hook.requests().size(), 2u);
    EXPECT_EQ(hook.requests()[0].caption, QStringLiteral("Sample"));
    EXPECT_TRUE(hook.requests()[0].leftOpen);
    EXPECT_EQ(hook.requests()[1].caption, QStringLiteral("Inner"));
    EXPECT_EQ(hook.requests()[1].result, QDialog::Accepted);
}

TEST(FormHookTest, AMissingControlFailsLoudly)
{
    ScopedFormResponder hook([](QDialog& form) {
        EXPECT_THROW(FormDriver(form).click(QStringLiteral("NoSuchButton")), FormDriverError);
    });
    SampleForm form;
    EXPECT_EQ(ExecForm(form), QDialog::Rejected);
}

}  // namespace
}  // namespace parlino::ui
