// The softphone signing in to the real switch in the same process, on its demo data, with
// the Connection dialog filled in as a subscriber would.
#include "server/SignallingTestSupport.h"

#include "ClientTestFiles.h"

#include "client/ZeltClientUnit1.h"
#include "platform/core/IniFile.h"
#include "platform/ui/FormHook.h"

#include <QPlainTextEdit>
#include <QPushButton>

namespace parlino::test {
namespace {

using SoftphoneSignInTest = SignallingTest;

TEST_F(SoftphoneSignInTest, TheDemoSubscriberSignsInAndIsOnline)
{
    IniFile ini("ParlinoClient.ini");
    ini.writeInteger("Server", "TCP port", window->ServerSocket1->Port());
    ASSERT_TRUE(ini.save());
    WriteFile("ClientID.txt", "101\r\n");
    CopyAsset("silence.wav", "silence.wav");
    EXPECT_EQ(StatusOf(101), "OFFLINE");

    ui::ScopedFormResponder forms([](QDialog& form) {
        ui::FormDriver dialog(form);
        dialog.type("LabeledEdit3", "582047");
        dialog.click("BitBtn1");
    });
    ClientSetup setup;
    setup.iniFile = "ParlinoClient.ini";
    setup.terminate = [] { ADD_FAILURE() << "the program ended"; };
    TZeltClientForm1 softphone(setup);
    softphone.show();
    softphone.Timer3Timer();

    ASSERT_TRUE(WaitUntil([&] { return softphone.isMinimized() || softphone.isHidden(); }));
    EXPECT_TRUE(softphone.Memo2->toPlainText().split('\n').first().endsWith(" Logged in successfully"));
    EXPECT_TRUE(softphone.BitBtn2->isEnabled());
    EXPECT_TRUE(softphone.BitBtn3->isEnabled());
    EXPECT_TRUE(softphone.BitBtn4->isEnabled());
    EXPECT_EQ(forms.requests().size(), 1u);
    EXPECT_EQ(StatusOf(101), "ONLINE");
    // The send sockets point at the server's receive socket of this subscriber.
    const net::UdpSocket& send = softphone.Shared().voiceHandles.VoiceSendHandles[0];
    EXPECT_EQ(send.peerAddress(), "127.0.0.1");
    EXPECT_NE(send.peerPort(), 0);
}

}  // namespace
}  // namespace parlino::test
