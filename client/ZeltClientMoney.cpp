// The softphone window's part in money and orders: the Balance button and the Balance and
// Order dialogs. The work is MoneyAndOrders'; this file gives it the window's controls.
#include "client/ZeltClientUnit1.h"

#include "client/BalUnit1.h"
#include "client/LogLines.h"
#include "client/OrdUnit1.h"
#include "platform/core/LocalClock.h"
#include "platform/ui/FormHook.h"

#include <QPushButton>

namespace parlino {

namespace {

class WindowMoneyView : public MoneyView {
public:
    explicit WindowMoneyView(TZeltClientForm1& window) : window_(window) {}

    void addLogEntry(const QString& text) override { window_.AddLogEntry(text); }
    void setCallButtonsEnabled(bool enabled) override
    {
        for (QPushButton* button : {window_.BitBtn2, window_.BitBtn3, window_.BitBtn4})
            button->setEnabled(enabled);
    }
    void setBalanceEnabled(bool enabled) override { window_.BitBtn2->setEnabled(enabled); }
    QString longTimeFormat() const override { return LongTimeFormat(QLocale()); }

    bool runBalance(bool& pay, QString& pin) override
    {
        TBal_Form form(pay, pin, &window_);
        return ui::ExecForm(form) == QDialog::Accepted;
    }
    bool runOrders(const QString& caption, std::int32_t orderOld, std::int32_t& orderNew,
                   const QStringList& slotRows) override
    {
        TOrd_Form form(orderOld, orderNew, slotRows, &window_);
        form.setWindowTitle(caption);
        return ui::ExecForm(form) == QDialog::Accepted;
    }

private:
    TZeltClientForm1& window_;
};

}  // namespace

void TZeltClientForm1::CreateMoney()
{
    if (!setup_.clock)
        setup_.clock = std::make_shared<SystemLocalClock>();
    moneyView_ = std::make_unique<WindowMoneyView>(*this);
    money_ = std::make_unique<MoneyAndOrders>(
        shared_, *moneyView_, *setup_.clock, signIn_->OutBuffer,
        [this](std::string_view bytes) { return ClientSocket1->sendText(bytes); });
    calls_->setAccountReplies(money_.get());
    connect(BitBtn2, &QPushButton::clicked, this, &TZeltClientForm1::BitBtn2Click);
}

void TZeltClientForm1::BitBtn2Click()
{
    money_->balanceClicked();
}

}  // namespace parlino
