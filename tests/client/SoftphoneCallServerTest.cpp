// Two softphones in one process calling each other through the real switch on loopback,
// each with its own files, the Connection dialogs answered as a subscriber would; with
// emulated devices, their voice through the switch's relay.
#include "server/SignallingTestSupport.h"

#include "ClientTestFiles.h"
#include "VoiceLink.h"
#include "VoiceSessionTestAccess.h"

#include "client/ZeltClientUnit1.h"
#include "platform/core/IniFile.h"
#include "platform/ui/FormHook.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace parlino::test {
namespace {

class SoftphoneCallTest : public SignallingTest {
protected:
    // A softphone of `id` on its own number file, signed in and in the notification area.
    std::unique_ptr<TZeltClientForm1> SignedInSoftphone(
        std::int32_t id, std::int32_t dials, std::optional<std::string> audioDevices = "null")
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
        setup.audioDevices = std::move(audioDevices);
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
    void SetUpServerAndAnswers()
    {
        IniFile ini("ParlinoClient.ini");
        ini.writeInteger("Server", "TCP port", window->ServerSocket1->Port());
        ASSERT_TRUE(ini.save());
        CopyAsset("silence.wav", "silence.wav");
    }
    static void AnswerConnectionDialogs(QDialog& form)
    {
        ui::FormDriver dialog(form);
        dialog.type("LabeledEdit3", "582047");
        dialog.click("BitBtn1");
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
    SetUpServerAndAnswers();
    ui::ScopedFormResponder forms(&AnswerConnectionDialogs);
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

TEST_F(SoftphoneCallTest, TheTalksVoiceFlowsBothWaysAndStopsWithTheDrop)
{
    SetUpServerAndAnswers();
    ui::ScopedFormResponder forms(&AnswerConnectionDialogs);
    const WaveFileBuilder::Bytes sweepA = SweepSignal(40, 0.0);
    const WaveFileBuilder::Bytes sweepB = SweepSignal(30, 1.0);
    WaveFileBuilder::Save("101.wav", WaveFileBuilder().fmt().data(sweepA).build());
    WaveFileBuilder::Save("102.wav", WaveFileBuilder().fmt().data(sweepB).build());
    // The emulated playback continues a recording left by an earlier run.
    std::remove("101-played.wav");
    std::remove("102-played.wav");
    auto alice = SignedInSoftphone(101, 102, "file:101.wav:101-played.wav");
    auto bob = SignedInSoftphone(102, 101, "file:102.wav:102-played.wav");
    ASSERT_TRUE(alice && bob);
    const CallState& a = alice->Shared().callState;
    const CallState& b = bob->Shared().callState;

    alice->BitBtn3->click();
    ASSERT_TRUE(WaitUntil([&] { return b.Ringing; }));
    bob->BitBtn3->click();
    ASSERT_TRUE(WaitUntil([&] { return a.InTalk && b.InTalk; }));
    for (TZeltClientForm1* phone : {alice.get(), bob.get()}) {
        EXPECT_TRUE(VoiceSessionTestAccess(phone->Voice()).threadsExist());
        EXPECT_TRUE(VoiceSessionTestAccess(phone->Voice()).devicesOpen());
    }
    // Each side places a good stretch of the other's voice (two seconds at about 8 packets
    // a second), and the rate display shows datagrams coming in.
    const auto heard = [](TZeltClientForm1& phone) {
        return VoiceSessionTestAccess(phone.Voice()).jitter().HighestSeq >= 16;
    };
    ASSERT_TRUE(WaitUntil([&] { return heard(*alice) && heard(*bob); }, 20000));
    const auto showsRate = [](const QLabel* label) {
        return label->text().endsWith(QStringLiteral(" Hz")) &&
            !label->text().startsWith(QStringLiteral("0 "));
    };
    for (TZeltClientForm1* phone : {alice.get(), bob.get()}) {
        EXPECT_TRUE(WaitUntil([&] { return showsRate(phone->Label2) && showsRate(phone->Label4); }))
            << phone->Label2->text().toStdString() << " / " << phone->Label4->text().toStdString();
    }

    alice->BitBtn4->click();
    ASSERT_TRUE(WaitUntil([&] { return a.Idle() && b.Idle(); }));
    EXPECT_TRUE(LogHas(*alice, " Call terminated"));
    EXPECT_TRUE(LogHas(*bob, " Call terminated"));
    // The threads are gone and the devices closed: the played files are complete now.
    for (TZeltClientForm1* phone : {alice.get(), bob.get()}) {
        EXPECT_FALSE(VoiceSessionTestAccess(phone->Voice()).threadsExist());
        EXPECT_FALSE(VoiceSessionTestAccess(phone->Voice()).devicesOpen());
    }

    struct Direction {
        const char* name;
        const char* played;
        const WaveFileBuilder::Bytes& captured;
    };
    for (const Direction& d : {Direction{"101 to 102", "102-played.wav", sweepA},
                               Direction{"102 to 101", "101-played.wav", sweepB}}) {
        const PlayedPackets played = ReadPlayed(d.played, d.captured);
        SCOPED_TRACE(std::string(d.name) + ": " + Describe(played));
        ASSERT_GE(played.firstVoice, 2) << "two packets of silence come first";
        // Once the voice began, every packet played is one the other side captured or
        // silence: never the own voice or anything else. How smoothly it plays depends on
        // the scheduling of two windows and the switch in one process, so only the amount is
        // held; a player late by a whole buffer early in the talk replays a buffer's own
        // audio, which may still be the starting silence.
        const auto foreign = std::count(played.packets.begin() + played.firstVoice,
                                        played.packets.end(), PlayedPackets::Unknown);
        EXPECT_EQ(foreign, 0);
        const auto voice = std::count_if(played.packets.begin(), played.packets.end(),
                                         [](std::int64_t index) { return index >= 0; });
        EXPECT_GE(voice, 8);
    }
}

}  // namespace
}  // namespace parlino::test
