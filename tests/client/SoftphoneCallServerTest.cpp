// Two softphones in one process calling each other through the real switch on loopback,
// each with its own files, the Connection dialogs answered as a subscriber would.
#include "server/SignallingTestSupport.h"

#include "ClientTestFiles.h"

#include "client/ZeltClientUnit1.h"
#include "platform/core/IniFile.h"
#include "platform/ui/FormHook.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <memory>

namespace parlino::test {
namespace {

class SoftphoneCallTest : public SignallingTest {
protected:
    // A softphone of `id` on its own number file, signed in and in the notification area.
    std::unique_ptr<TZeltClientForm1> SignedInSoftphone(std::int32_t id, std::int32_t dials)
    {
        const QString clientId = QStringLiteral("ClientID%1.txt").arg(id);
        WriteFile(clientId, QByteArray::number(id) + "\r\n");
        ClientSetup setup;
        setup.iniFile = QStringLiteral("ParlinoClient.ini");
        setup.files.clientIdFile = clientId;
        setup.terminate = [] { ADD_FAILURE() << "the program ended"; };
        setup.dialing = [dials](DialedNumber& choice, QStringList&) {
            choice.number = dials;
            return true;
        };
        auto softphone = std::make_unique<TZeltClientForm1>(setup);
        softphone->show();
        softphone->Timer3Timer();
        const TZeltClientForm1& phone = *softphone;
        EXPECT_TRUE(WaitUntil([&] {
            return phone.BitBtn3->isEnabled() && StatusOf(id) == "ONLINE";
        })) << "sign-in of "
            << id;
        return softphone;
    }
    static bool LogHas(const TZeltClientForm1& phone, const QString& ending)
    {
        const QStringList lines = phone.Memo2->toPlainText().split(u'\n');
        return std::any_of(lines.begin(), lines.end(),
                           [&](const QString& l) { return l.endsWith(ending); });
    }
};

TEST_F(SoftphoneCallTest, ACallIsRungAnsweredTalkedAndDroppedOnBothSides)
{
    IniFile ini("ParlinoClient.ini");
    ini.writeInteger("Server", "TCP port", window->ServerSocket1->Port());
    ASSERT_TRUE(ini.save());
    CopyAsset("silence.wav", "silence.wav");
    ui::ScopedFormResponder forms([](QDialog& form) {
        ui::FormDriver dialog(form);
        dialog.type("LabeledEdit3", "582047");
        dialog.click("BitBtn1");
    });
    auto alice = SignedInSoftphone(101, 102);
    auto bob = SignedInSoftphone(102, 101);
    ASSERT_TRUE(alice && bob);
    const CallState& a = alice->Shared().callState;
    const CallState& b = bob->Shared().callState;

    alice->BitBtn3->click();
    ASSERT_TRUE(WaitUntil([&] { return b.Ringing && LogHas(*alice, " Calling..."); }));
    EXPECT_TRUE(a.Calling);
    EXPECT_TRUE(LogHas(*bob, " Inbound call from 101..."));
    EXPECT_TRUE(bob->Timer2->isActive());
    EXPECT_FALSE(alice->BitBtn2->isEnabled());
    EXPECT_FALSE(bob->BitBtn2->isEnabled());

    bob->BitBtn3->click();  // answers
    ASSERT_TRUE(WaitUntil([&] { return a.InTalk && b.InTalk; }));
    EXPECT_TRUE(LogHas(*alice, " Talk started"));
    EXPECT_TRUE(LogHas(*bob, " Talk started"));
    EXPECT_FALSE(alice->Timer2->isActive());
    EXPECT_FALSE(bob->Timer2->isActive());
    EXPECT_TRUE(alice->Timer1->isActive());
    EXPECT_EQ(inside().TalkList.size(), 1u);

    alice->BitBtn4->click();
    ASSERT_TRUE(WaitUntil([&] { return a.Idle() && b.Idle(); }));
    EXPECT_TRUE(LogHas(*alice, " Call terminated"));
    EXPECT_TRUE(LogHas(*bob, " Call terminated"));
    EXPECT_TRUE(WaitUntil([&] { return inside().TalkList.empty(); }));
    for (TZeltClientForm1* phone : {alice.get(), bob.get()}) {
        EXPECT_TRUE(phone->BitBtn2->isEnabled());
        EXPECT_TRUE(phone->BitBtn3->isEnabled());
        EXPECT_TRUE(phone->BitBtn4->isEnabled());
        EXPECT_FALSE(phone->Timer1->isActive());
    }
}

}  // namespace
}  // namespace parlino::test
