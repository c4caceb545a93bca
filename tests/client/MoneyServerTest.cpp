// The softphone paying with a PIN card at the real switch in the same process, on its demo
// data, the dialogs filled in as a subscriber would.
#include "server/SignallingTestSupport.h"

#include "ClientTestFiles.h"
#include "StandInClock.h"

#include "client/ZeltClientUnit1.h"
#include "platform/core/IniFile.h"
#include "platform/ui/FormHook.h"
#include "platform/ui/NameValueGrid.h"

#include <QPlainTextEdit>
#include <QPushButton>

namespace parlino::test {
namespace {

class SoftphoneMoneyTest : public SignallingTest {
protected:
    // The demo subscriber 101 signed in; the Balance dialog pays while `pay` is set, and the
    // Order dialog runs `orders`.
    void SignInSoftphone()
    {
        IniFile ini("ParlinoClient.ini");
        ini.writeInteger("Server", "TCP port", window->ServerSocket1->Port());
        ASSERT_TRUE(ini.save());
        WriteFile("ClientID.txt", "101\r\n");
        CopyAsset("silence.wav", "silence.wav");
        ClientSetup setup;
        setup.iniFile = "ParlinoClient.ini";
        setup.terminate = [] { ADD_FAILURE() << "the program ended"; };
        setup.clock = clock;
        softphone = std::make_unique<TZeltClientForm1>(setup);
        softphone->show();
        softphone->Timer3Timer();
        ASSERT_TRUE(WaitUntil([&] { return softphone->BitBtn2->isEnabled(); }));
    }
    QStringList Log() const { return softphone->Memo2->toPlainText().split('\n'); }
    QString NewestEntry() const { return Log().first(); }

    bool pay = true;
    std::function<void(ui::FormDriver&)> orders;
    ui::ScopedFormResponder forms{[this](QDialog& form) {
        ui::FormDriver dialog(form);
        if (form.windowTitle() == "Balance") {
            if (pay) {
                dialog.click("RadioButton2");
                dialog.type("LabeledEdit1", "10000000000000000080");
            }
            dialog.click("BitBtn1");
        } else if (form.windowTitle().startsWith("Orders")) {
            ASSERT_TRUE(orders) << "an Order dialog opened";
            orders(dialog);
        } else {
            dialog.type("LabeledEdit3", "582047");
            dialog.click("BitBtn1");
        }
    }};
    // Never the machine's clock.
    std::shared_ptr<StandInClock> clock = std::make_shared<StandInClock>();
    std::unique_ptr<TZeltClientForm1> softphone;
};

TEST_F(SoftphoneMoneyTest, TopUpWithADemoCardAndReadTheNewBalance)
{
    const double before = BalanceOf(101);
    SignInSoftphone();

    softphone->BitBtn2->click();
    EXPECT_FALSE(softphone->BitBtn2->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return NewestEntry().endsWith(" PIN code accepted"); }))
        << NewestEntry().toStdString();
    EXPECT_TRUE(softphone->BitBtn3->isEnabled());
    EXPECT_DOUBLE_EQ(BalanceOf(101), before + 10.0);

    pay = false;
    softphone->BitBtn2->click();
    const QString expected =
        QStringLiteral(" Your balance foots up to %1.000000000000000 unit(s)").arg(before + 10.0);
    ASSERT_TRUE(WaitUntil([&] { return NewestEntry().endsWith(expected); }))
        << NewestEntry().toStdString();

    // The card is used up.
    pay = true;
    softphone->BitBtn2->click();
    ASSERT_TRUE(WaitUntil([&] { return NewestEntry().endsWith(" Invalid PIN code"); }))
        << NewestEntry().toStdString();
    EXPECT_DOUBLE_EQ(BalanceOf(101), before + 10.0);
}

// An outside line's order table through the switch: the clock set, the chosen order placed
// with the line, and the line's answer told.
TEST_F(SoftphoneMoneyTest, OrderTableFromALinePlacesTheChosenOrderAndTellsTheAnswer)
{
    SignInSoftphone();
    auto line = SignedIn(801);
    softphone->Shared().callState.PeerNumber = 801;  // as after the order query to line 1
    orders = [&](ui::FormDriver& dialog) {
        auto& grid = dialog.child<ui::NameValueGrid>("StringGrid1");
        grid.setCurrentRow(2);
        dialog.click("BitBtn1");
        dialog.click("BitBtn3");
    };
    const double noon = 46365 + QTime(12, 34, 56, 789).msecsSinceStartOfDay() / 86400000.0;
    line->Send('r', 3, {std::int32_t{101}, std::string("fyb"), noon});

    // The line learns who orders, with the old and the new slot.
    const ByteString placed = BuildMessage('o', 3,
                                           {std::int32_t{101}, std::int32_t{1}, std::int32_t{0}});
    EXPECT_EQ(line->TakeRaw(placed.size()), placed);
    line->Send('w', 1, {std::int32_t{101}});
    ASSERT_TRUE(WaitUntil([&] { return NewestEntry().endsWith(" Order placed"); }))
        << NewestEntry().toStdString();
    EXPECT_TRUE(Log().at(1).endsWith(" Placing new order..."));
    EXPECT_EQ(forms.requests().back().caption, "Orders: Line 1");
    EXPECT_EQ(clock->settings.size(), 1u);
    EXPECT_EQ(clock->now, QDateTime(QDate(2026, 12, 9), QTime(12, 34, 56, 789)));
}

}  // namespace
}  // namespace parlino::test
