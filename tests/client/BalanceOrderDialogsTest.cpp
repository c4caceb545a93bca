#include "client/BalUnit1.h"
#include "client/OrdUnit1.h"
#include "client/OrderRows.h"
#include "platform/ui/FormHook.h"
#include "platform/ui/NameValueGrid.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <functional>

namespace parlino {
namespace {

using ui::FormDriver;

struct BalanceAnswer {
    int result;
    bool pay;
    QString pin;
};

BalanceAnswer RunBalance(const std::function<void(FormDriver&)>& act)
{
    bool pay = true;
    QString pin = "left over";
    ui::ScopedFormResponder hook([&](QDialog& form) {
        FormDriver driver(form);
        // Shown with "Request" chosen and the PIN edit disabled.
        EXPECT_TRUE(driver.child<QRadioButton>("RadioButton1").isChecked());
        EXPECT_FALSE(driver.child<QLineEdit>("LabeledEdit1").isEnabled());
        act(driver);
    });
    TBal_Form form(pay, pin);
    EXPECT_FALSE(pay);
    EXPECT_TRUE(pin.isEmpty());
    const int result = ui::ExecForm(form);
    EXPECT_EQ(hook.requests().at(0).caption, "Balance");
    return {result, pay, pin};
}

TEST(BalanceDialogTest, RequestPayAndCancel)
{
    const BalanceAnswer request = RunBalance([](FormDriver& d) { d.click("BitBtn1"); });
    EXPECT_EQ(request.result, QDialog::Accepted);
    EXPECT_FALSE(request.pay);

    const BalanceAnswer pay = RunBalance([](FormDriver& d) {
        d.click("RadioButton2");
        EXPECT_TRUE(d.child<QLineEdit>("LabeledEdit1").isEnabled());
        d.type("LabeledEdit1", "10000000000000000080");
        d.click("BitBtn1");
    });
    EXPECT_EQ(pay.result, QDialog::Accepted);
    EXPECT_TRUE(pay.pay);
    EXPECT_EQ(pay.pin, "10000000000000000080");

    // A PIN typed, then "Request" chosen again: no payment.
    const BalanceAnswer back = RunBalance([](FormDriver& d) {
        d.click("RadioButton2");
        d.type("LabeledEdit1", "123");
        d.click("RadioButton1");
        EXPECT_FALSE(d.child<QLineEdit>("LabeledEdit1").isEnabled());
        d.click("BitBtn1");
    });
    EXPECT_FALSE(back.pay);
    EXPECT_TRUE(back.pin.isEmpty());

    const BalanceAnswer cancel = RunBalance([](FormDriver& d) {
        d.click("RadioButton2");
        d.type("LabeledEdit1", "123");
        d.click("BitBtn2");
    });
    EXPECT_EQ(cancel.result, QDialog::Rejected);
    EXPECT_FALSE(cancel.pay);
    EXPECT_TRUE(cancel.pin.isEmpty());
}

QString Label(FormDriver& d, const char* name)
{
    return d.child<QLabel>(name).text();
}

TEST(OrderDialogTest, ShowsTheSlotsAndChoosesAFreeRow)
{
    const auto rows = BuildOrderRows("fyb", QStringLiteral("hh:mm:ss"));
    ASSERT_TRUE(rows);
    std::int32_t orderNew = 7;
    ui::ScopedFormResponder hook([&](QDialog& form) {
        FormDriver d(form);
        auto& grid = d.child<ui::NameValueGrid>("StringGrid1");
        EXPECT_EQ(grid.lines(), rows->lines);
        EXPECT_EQ(Label(d, "Label3"), "23:40:00-23:50:00");
        EXPECT_EQ(Label(d, "Label4"), "23:40:00-23:50:00");
        grid.setCurrentRow(0);  // reserved by someone else
        d.click("BitBtn1");
        EXPECT_EQ(orderNew, 1);
        grid.setCurrentRow(2);
        d.click("BitBtn1");
        EXPECT_EQ(orderNew, 0);
        EXPECT_EQ(grid.lines(),
                  QStringList({"23:30:00-23:40:00=Reserved",
                               "23:40:00-23:50:00=", "23:50:00-00:00:00=Your time"}));
        EXPECT_EQ(Label(d, "Label3"), "23:40:00-23:50:00");
        EXPECT_EQ(Label(d, "Label4"), "23:50:00-00:00:00");
        d.click("BitBtn3");
    });
    TOrd_Form form(rows->orderOld, orderNew, rows->lines);
    EXPECT_EQ(orderNew, 1);
    EXPECT_EQ(ui::ExecForm(form), QDialog::Accepted);
    EXPECT_EQ(orderNew, 0);
}

TEST(OrderDialogTest, EmptyTableShowsNoOrdersAndClearGivesUpTheChoice)
{
    std::int32_t orderNew = 3;
    {
        ui::ScopedFormResponder hook([&](QDialog& form) {
            FormDriver d(form);
            EXPECT_TRUE(d.child<ui::NameValueGrid>("StringGrid1").lines().isEmpty());
            EXPECT_EQ(Label(d, "Label3"), "No");
            EXPECT_EQ(Label(d, "Label4"), "No");
            d.click("BitBtn1");
            d.click("BitBtn2");
            EXPECT_EQ(orderNew, -1);
            d.click("BitBtn4");
        });
        TOrd_Form empty(-1, orderNew, {});
        EXPECT_EQ(ui::ExecForm(empty), QDialog::Rejected);
    }

    const auto rows = BuildOrderRows("ffy", QStringLiteral("hh:mm:ss"));
    ASSERT_TRUE(rows);
    ui::ScopedFormResponder clearing([&](QDialog& form) {
        FormDriver d(form);
        d.click("BitBtn2");
        EXPECT_EQ(Label(d, "Label3"), "23:30:00-23:40:00");
        EXPECT_EQ(Label(d, "Label4"), "No");
        EXPECT_EQ(d.child<ui::NameValueGrid>("StringGrid1").lines().first(), "23:30:00-23:40:00=");
        d.click("BitBtn3");
    });
    TOrd_Form form(rows->orderOld, orderNew, rows->lines);
    EXPECT_EQ(ui::ExecForm(form), QDialog::Accepted);
    EXPECT_EQ(orderNew, -1);
}

}  // namespace
}  // namespace parlino
