#include "client/ChPwUnit1.h"
#include "client/ConnUnit1.h"
#include "client/PortUnit1.h"
#include "platform/ui/ApplicationExceptions.h"
#include "platform/ui/ControlTag.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/FormHook.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace parlino {
namespace {

using ui::FormDriver;

// The caller's variables of the Connection dialog.
struct Settings {
    QString hostName = "localhost";
    QString ipAddress = "127.0.0.1";
    int selectedIndex = 0;
    QString tcpPort = "1101";
    QString udpBase = "7";
    QString udpMax = "9";
    QString socketCount = "3";
    QString clientId = "101";
    QString password = "old typed";
    QString newPassword = "new typed";
};

class ConnectionDialogTest : public ::testing::Test {
protected:
    // Shows the dialog on `s` with the responder acting on it; returns its result.
    int Show(const std::function<void(QDialog&)>& act)
    {
        ui::ScopedFormResponder hook(act);
        TConnForm form(s.hostName, s.ipAddress, s.selectedIndex, s.tcpPort, s.udpBase, s.udpMax,
                       s.socketCount, s.clientId, s.password, s.newPassword);
        const int result = ui::ExecForm(form);
        forms = hook.requests();
        return result;
    }
    static QString Text(QDialog& form, const char* name)
    {
        return FormDriver(form).child<QLineEdit>(name).text();
    }

    Settings s;
    std::vector<ui::FormRequest> forms;
    std::vector<QString> controlErrors;
    ui::ScopedApplicationExceptionHandler errors{[this](QWidget* control, const std::exception& e) {
        controlErrors.push_back(QString::number(ui::tag(control)) + " " + e.what());
    }};
    ui::ScopedDialogResponder boxes{ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok)};
};

TEST_F(ConnectionDialogTest, ShowsTheSettingsWithTheLoginFieldsEmptiedForThisAttempt)
{
    s.ipAddress = "10.0.0.5";
    s.selectedIndex = 1;
    std::vector<QString> shown;
    Show([&](QDialog& form) {
        for (const char* name : {"MaskEdit1", "MaskEdit2", "MaskEdit3", "MaskEdit4", "Edit1", "LabeledEdit2", "LabeledEdit3"})
            shown.push_back(Text(form, name));
        EXPECT_TRUE(FormDriver(form).child<QRadioButton>("RadioButton2").isChecked());
        EXPECT_EQ(FormDriver(form).child<QComboBox>("ComboBox1").currentText(), "INI file");
        EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(form.windowTitle(), "Connection");
    });
    EXPECT_EQ(shown, (std::vector<QString>{"10", "0", "0", "5", "localhost", "101", ""}));
    // Written as the dialog was made, whatever came of it.
    EXPECT_EQ(s.udpBase + s.udpMax + s.socketCount, "008");
    EXPECT_EQ(s.password, "");
    EXPECT_EQ(s.newPassword, "");
}

struct OkCase {
    const char* name;
    QString ipIn;
    int indexIn;
    std::function<void(FormDriver&)> act;
    QString ipOut;
    QString hostOut;
    int indexOut;
};

TEST_F(ConnectionDialogTest, OkReturnsTheChosenModeAndLeavesTheOtherSettingAsItCame)
{
    const OkCase cases[] = {
        {"IP address mode", "10.0.0.5", 1, [](FormDriver& d) { d.click("RadioButton1"); },
         "10.0.0.5", "localhost", 0},
        {"octet typed", "127.0.0.1", 0, [](FormDriver& d) { d.type("MaskEdit3", "42"); },
         "127.0.42.1", "localhost", 0},
        {"host name mode", "10.0.0.5", 0,
         [](FormDriver& d) {
             d.click("RadioButton2");
             d.type("Edit1", "switch.example");
             d.type("MaskEdit1", "99");
         },
         "10.0.0.5", "switch.example", 1},
        {"more than three dots", "1.2.3.4.5", 0, [](FormDriver&) {}, "1.2.3.4", "localhost", 0},
    };
    for (const OkCase& c : cases) {
        SCOPED_TRACE(c.name);
        s = Settings{};
        s.ipAddress = c.ipIn;
        s.selectedIndex = c.indexIn;
        const int result = Show([&](QDialog& form) {
            FormDriver driver(form);
            c.act(driver);
            driver.type("LabeledEdit2", "205");
            driver.type("LabeledEdit3", "secret");
            driver.click("BitBtn1");
        });
        EXPECT_EQ(result, QDialog::Accepted);
        EXPECT_EQ(s.ipAddress, c.ipOut);
        EXPECT_EQ(s.hostName, c.hostOut);
        EXPECT_EQ(s.selectedIndex, c.indexOut);
        EXPECT_EQ(s.clientId, "205");
        EXPECT_EQ(s.password, "secret");
        EXPECT_EQ(s.newPassword, "");
        EXPECT_EQ(s.tcpPort, "1101");
    }
    EXPECT_TRUE(controlErrors.empty());
}

TEST_F(ConnectionDialogTest, AnIncompleteOctetIsAnIpAddressErrorAndTheDialogStays)
{
    const int result = Show([](QDialog& form) {
        FormDriver(form).type("MaskEdit2", "");
        FormDriver(form).click("BitBtn1");
    });
    EXPECT_EQ(result, QDialog::Rejected);
    ASSERT_EQ(forms.size(), 1u);
    EXPECT_TRUE(forms[0].leftOpen);
    ASSERT_EQ(controlErrors.size(), 1u);
    EXPECT_TRUE(controlErrors[0].startsWith("2 ")) << controlErrors[0].toStdString();
    EXPECT_EQ(s.ipAddress, "127.0.0.1");
}

TEST_F(ConnectionDialogTest, ExitAndEscapeCancel)
{
    EXPECT_EQ(Show([](QDialog& form) { FormDriver(form).click("BitBtn2"); }), QDialog::Rejected);
    EXPECT_FALSE(forms.at(0).leftOpen);
    EXPECT_EQ(Show([](QDialog& form) {
                  // The field does not take the key; it goes on to the dialog.
                  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                  QApplication::sendEvent(&FormDriver(form).child<QLineEdit>("LabeledEdit3"), &escape);
              }),
              QDialog::Rejected);
    EXPECT_FALSE(forms.at(0).leftOpen);
    EXPECT_EQ(s.ipAddress, "127.0.0.1");
}

// "Change" in the Connection dialog, then the Change Password dialog filled in with
// "582047" as the old password and the new one typed as the two texts given.
std::function<void(QDialog&)> ChangeTo(QString newPassword, QString repeated)
{
    return [=](QDialog& form) {
        FormDriver driver(form);
        if (form.windowTitle() == "Connection") {
            driver.type("LabeledEdit3", "typed in the connection dialog");
            driver.type("LabeledEdit2", "102");
            driver.click("BitBtn3");
            return;
        }
        driver.type("LabeledEdit1", "582047");
        driver.type("LabeledEdit2", newPassword);
        driver.type("LabeledEdit3", repeated);
        driver.click("BitBtn1");
    };
}

TEST_F(ConnectionDialogTest, ChangePasswordChecksTheRepeatAndSendsTheOldPasswordWithTheNew)
{
    // Typed differently: the message, and the Change Password dialog stays open.
    int result = Show(ChangeTo("abc", "abd"));
    EXPECT_EQ(result, QDialog::Rejected);
    ASSERT_EQ(forms.size(), 2u);
    EXPECT_EQ(forms[1].caption, "Change Password");
    EXPECT_TRUE(forms[1].leftOpen);
    ASSERT_EQ(boxes.requests().size(), 1u);
    EXPECT_EQ(boxes.requests()[0].text, "New password\r\nrepeated incorrectly");
    EXPECT_EQ(boxes.requests()[0].caption, "Error");
    EXPECT_EQ(boxes.requests()[0].icon, ui::DialogIcon::Error);
    EXPECT_EQ(s.password, "");
    EXPECT_EQ(s.newPassword, "");

    // Typed alike: the Connection dialog closes as OK would.
    result = Show(ChangeTo("abc", "abc"));
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_FALSE(forms.at(0).leftOpen);
    EXPECT_EQ(s.password, "582047");
    EXPECT_EQ(s.newPassword, "abc");
    EXPECT_EQ(s.clientId, "102");
    EXPECT_EQ(boxes.requests().size(), 1u);

    // Typed alike with an octet left incomplete: the dialog stays, and a later OK sends the
    // password field without a new password.
    result = Show([](QDialog& form) {
        FormDriver driver(form);
        if (form.windowTitle() != "Connection") {
            ChangeTo("abc", "abc")(form);
            return;
        }
        driver.type("MaskEdit2", "");
        driver.type("LabeledEdit3", "typed");
        driver.click("BitBtn3");
        driver.type("MaskEdit2", "0");
        driver.click("BitBtn1");
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(s.password, "typed");
    EXPECT_EQ(s.newPassword, "");
}

TEST_F(ConnectionDialogTest, MoreShowsThePortsDisabledAndChangesNothing)
{
    std::vector<QString> shown;
    Show([&](QDialog& form) {
        if (form.windowTitle() == "Connection") {
            FormDriver(form).click("BitBtn4");
            return;
        }
        for (const char* name : {"LabeledEdit1", "LabeledEdit2", "LabeledEdit3", "LabeledEdit4"}) {
            shown.push_back(Text(form, name));
            EXPECT_FALSE(FormDriver(form).child<QLineEdit>(name).isEnabled()) << name;
        }
        FormDriver(form).click("BitBtn1");
    });
    EXPECT_EQ(shown, (std::vector<QString>{"1101", "0", "0", "8"}));
    EXPECT_EQ(s.tcpPort + "/" + s.udpBase + "/" + s.udpMax + "/" + s.socketCount, "1101/0/0/8");
}

}  // namespace
}  // namespace parlino
