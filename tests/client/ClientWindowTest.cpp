#include "client/ZeltClientUnit1.h"

#include "ClientTestFiles.h"
#include "QtWait.h"
#include "client/BoutUnit1.h"
#include "platform/ui/ControlTag.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/FormHook.h"
#include "platform/ui/MaskEdit.h"
#include "platform/ui/NameValueGrid.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <optional>

namespace parlino {
namespace {

// A softphone started in this test's folder, with its message boxes and forms answered and
// documents recorded instead of opened.
class ClientWindowTest : public ::testing::Test {
protected:
    ClientWindowTest()
    {
        QFile::remove(QStringLiteral("contacts.txt"));
        test::WriteFile(QStringLiteral("ClientID.txt"), "123\r\n");
        test::CopyAsset(QStringLiteral("silence.wav"), QStringLiteral("silence.wav"));
    }

    TZeltClientForm1& start()
    {
        window_ = std::make_unique<TZeltClientForm1>(setupHere());
        window_->show();
        return *window_;
    }

    // Files of this folder; documents and the program's end recorded, not done.
    ClientSetup setupHere()
    {
        ClientSetup setup;
        setup.openDocument = [this](const QUrl& url) { opened_.push_back(url); };
        setup.iniFile = QStringLiteral("ParlinoClient.ini");
        setup.terminate = [this] { ++terminated_; };
        return setup;
    }

    // The boxes shown once the events queued so far have run.
    std::vector<ui::DialogRequest> boxesAfterEvents()
    {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return boxes_.requests();
    }

    QStringList lines(const QPlainTextEdit* memo) const
    {
        return memo->toPlainText().split(QLatin1Char('\n'));
    }

    ui::ScopedDialogResponder boxes_{ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok)};
    // The connect sequence's Connection dialog, left open: that is "Exit".
    std::optional<ui::ScopedFormResponder> connectionForms_{std::in_place,
                                                            ui::ScopedFormResponder::leavingOpen()};
    int terminated_ = 0;
    std::vector<QUrl> opened_;
    std::unique_ptr<TZeltClientForm1> window_;
};

TEST_F(ClientWindowTest, StartsWithItsNumberAndRunsTheConnectSequenceOnceASecondLater)
{
    QElapsedTimer clock;
    clock.start();
    TZeltClientForm1& window = start();
    QSignalSpy due(&window, &TZeltClientForm1::ConnectSequenceDue);
    EXPECT_EQ(window.Shared().OwnClientID, 123);
    EXPECT_TRUE(window.Shared().Contacts.isEmpty()) << "no contacts file is no error";
    EXPECT_TRUE(window.Timer3->isActive());
    ASSERT_TRUE(test::WaitUntil([&due] { return due.count() > 0; }, 5000));
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_FALSE(window.Timer3->isActive()) << "the timer fires once";
    window.Timer3Timer();  // a late tick already queued does nothing
    EXPECT_EQ(due.count(), 1);
    EXPECT_TRUE(boxesAfterEvents().empty());
    ASSERT_EQ(connectionForms_->requests().size(), 1u);
    EXPECT_EQ(connectionForms_->requests()[0].caption, QStringLiteral("Connection"));
    EXPECT_EQ(terminated_, 1);
}

TEST_F(ClientWindowTest, BrokenStartUpFilesAreShownAndTheProgramStaysUsable)
{
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"ClientID.txt missing", [] { QFile::remove(QStringLiteral("ClientID.txt")); }},
        {"ClientID.txt no number",
         [] { test::WriteFile(QStringLiteral("ClientID.txt"), "12a\r\n"); }},
        {"silence.wav missing", [] { QFile::remove(QStringLiteral("silence.wav")); }},
        {"silence.wav short",
         [] {
             test::WriteFile(QStringLiteral("silence.wav"),
                             test::MuLawWave(QByteArray(100, '\xFF')));
         }},
        {"silence.wav without data",
         [] {
             test::WriteFile(QStringLiteral("silence.wav"), test::MuLawWave({}).left(12 + 8 + 18));
         }},
    };
    for (const auto& [what, breakFiles] : cases) {
        test::WriteFile(QStringLiteral("ClientID.txt"), "123\r\n");
        test::CopyAsset(QStringLiteral("silence.wav"), QStringLiteral("silence.wav"));
        breakFiles();
        boxes_.clear();
        TZeltClientForm1& window = start();
        QSignalSpy due(&window, &TZeltClientForm1::ConnectSequenceDue);
        const auto boxes = boxesAfterEvents();
        ASSERT_EQ(boxes.size(), 1u) << what;
        const bool waveData = QString::fromLatin1(what).startsWith(QStringLiteral("silence"));
        if (waveData)
            EXPECT_EQ(boxes[0].text, QStringLiteral("Cannot read wave data")) << what;
        else
            EXPECT_FALSE(boxes[0].text.isEmpty()) << what;
        EXPECT_EQ(boxes[0].icon, ui::DialogIcon::Error) << what;
        EXPECT_EQ(window.Shared().OwnClientID, waveData ? 123 : 0) << what;
        EXPECT_EQ(window.Shared().SilenceData.size(), SamplesPerPacket) << what;
        EXPECT_FALSE(window.Shared().RingIn.isEmpty()) << what << ": later steps ran";
        window.AddLogEntry(QStringLiteral(" still here"));
        EXPECT_TRUE(window.Memo2->toPlainText().endsWith(QStringLiteral(" still here"))) << what;
        EXPECT_TRUE(test::WaitUntil([&due] { return due.count() == 1; }, 5000))
            << what << ": the connect sequence still comes";
    }
}

TEST_F(ClientWindowTest, LogEntriesStandNewestFirstUntilCleared)
{
    TZeltClientForm1& window = start();
    window.AddLogEntry(QStringLiteral(" Connected to the server"));
    window.AddLogEntry(QStringLiteral(" Logging in..."));
    const QStringList log = lines(window.Memo2);
    ASSERT_EQ(log.size(), 2);
    EXPECT_TRUE(log[0].endsWith(QStringLiteral(" Logging in...")));
    EXPECT_TRUE(log[1].endsWith(QStringLiteral(" Connected to the server")));
    EXPECT_TRUE(log[1].front().isDigit()) << "the time of day comes first";
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    EXPECT_TRUE(window.Memo2->toPlainText().isEmpty());
}

TEST_F(ClientWindowTest, InformationNewestFirstUnderTheHeading)
{
    TZeltClientForm1& window = start();
    const QStringList before = lines(window.Memo1);
    ASSERT_EQ(before.size(), 3);
    EXPECT_EQ(before[0], QStringLiteral("Information"));
    window.InfoMessage(QStringLiteral("X"));
    window.InfoMessage(QStringLiteral("Y"));
    const QString today = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
    EXPECT_EQ(lines(window.Memo1),
              (QStringList{QStringLiteral("Information"), today + QStringLiteral(" Y"),
                           today + QStringLiteral(" X"), before[1], before[2]}));
}

TEST_F(ClientWindowTest, ExceptionDisplayOnTaggedControls)
{
    TZeltClientForm1& window = start();
    QDialog form(&window);
    auto* layout = new QVBoxLayout(&form);
    auto* clientId = new ui::MaskEdit(&form);
    clientId->setEditMask(QStringLiteral("!990;0;_"));
    ui::setTag(clientId, 1);
    auto* octet = new ui::MaskEdit(&form);
    octet->setEditMask(QStringLiteral("!990\\.;0;_"));
    ui::setTag(octet, 2);
    auto* untagged = new ui::MaskEdit(&form);
    untagged->setEditMask(QStringLiteral("!990;0;_"));
    auto* names = new ui::NameValueGrid(&form);
    ui::setTag(names, 3);
    names->setLines({QStringLiteral("bob=105")});
    for (QWidget* control : std::initializer_list<QWidget*>{clientId, octet, untagged, names})
        layout->addWidget(control);
    form.show();

    // Each box is answered before the next error comes, so none gathers another's message.
    for (ui::MaskEdit* edit : {clientId, octet, untagged}) {
        EXPECT_FALSE(edit->validateEdit());
        boxesAfterEvents();
    }
    names->setCurrentIndex(names->lineModel()->index(0, 0));
    names->edit(names->currentIndex());
    auto* nameEditor = names->findChild<QLineEdit*>();
    ASSERT_NE(nameEditor, nullptr);
    nameEditor->end(false);
    QTest::keyClicks(nameEditor, QStringLiteral("by="));
    EXPECT_EQ(nameEditor->text(), QStringLiteral("bobby="))
        << "the '=' stands until the display removes it";

    const auto boxes = boxesAfterEvents();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Invalid Client_ID number"));
    EXPECT_EQ(boxes[1].text, QStringLiteral("IP address error"));
    for (int i : {0, 1, 3}) {
        EXPECT_EQ(boxes[i].caption, QStringLiteral("Error"));
        EXPECT_EQ(boxes[i].icon, ui::DialogIcon::Error);
    }
    EXPECT_EQ(boxes[2].text,
              QStringLiteral("Invalid input value.  Use escape key to abandon changes"))
        << "untagged: the standard display";
    EXPECT_EQ(boxes[3].text, QStringLiteral("Name may not contain\r\nequals sign (\"=\")"));
    EXPECT_EQ(nameEditor->text(), QStringLiteral("bobby"));
}

TEST_F(ClientWindowTest, WithoutNotificationAreaMinimisingKeepsTheWindowReachable)
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        GTEST_SKIP() << "this desktop has a notification area";
    TZeltClientForm1& window = start();
    window.showMinimized();
    ASSERT_TRUE(test::WaitUntil([&window] { return window.isMinimized(); }, 2000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isVisible()) << "on the taskbar, not hidden";
    EXPECT_FALSE(window.TrayIcon1->isVisible());
    window.N1->trigger();
    EXPECT_TRUE(
        test::WaitUntil([&window] { return !window.isMinimized() && window.isVisible(); }, 2000));
}

TEST_F(ClientWindowTest, MenuOpensHelpAndAbout)
{
    TZeltClientForm1& window = start();
    window.Action3->trigger();
    ASSERT_EQ(opened_.size(), 1u);
    QDir help = QDir::current();
    ASSERT_TRUE(help.cdUp());
    EXPECT_EQ(opened_[0], QUrl::fromLocalFile(help.filePath(QStringLiteral("Help/help.html"))));

    bool pictureShown = false;
    window.Timer3->stop();
    connectionForms_.reset();
    ui::ScopedFormResponder forms([&pictureShown](QDialog& form) {
        auto* picture = form.findChild<QLabel*>(QStringLiteral("Image1"));
        pictureShown = picture && !picture->pixmap().isNull();
        ui::FormDriver(form).click(QStringLiteral("BitBtn1"));
    });
    window.Action5->trigger();
    ASSERT_EQ(forms.requests().size(), 1u);
    EXPECT_EQ(forms.requests()[0].result, QDialog::Accepted);
    EXPECT_TRUE(pictureShown);
}

TEST_F(ClientWindowTest, ContactsMenuEditsTheListReadAtStartUp)
{
    test::WriteFile(QStringLiteral("contacts.txt"), "Carl=102\r\nbob=105\r\n");
    TZeltClientForm1& window = start();
    window.Timer3->stop();
    connectionForms_.reset();
    QStringList shown;
    ui::ScopedFormResponder forms([&shown](QDialog& form) {
        auto& grid = ui::FormDriver(form).child<ui::NameValueGrid>(QStringLiteral("ValueListEditor1"));
        shown = grid.lines();
        ui::FormDriver(form).click(QStringLiteral("BitBtn5"));
        grid.setCurrentRow(1);  // picks Carl, which the menu has no use for
        ui::FormDriver(form).click(QStringLiteral("BitBtn3"));
    });
    window.Action1->trigger();
    ASSERT_EQ(forms.requests().size(), 1u);
    EXPECT_EQ(forms.requests()[0].caption, QStringLiteral("Contacts"));
    EXPECT_EQ(forms.requests()[0].result, QDialog::Accepted);
    EXPECT_EQ(shown, (QStringList{QStringLiteral("Carl=102"), QStringLiteral("bob=105")}));
    EXPECT_EQ(window.Shared().Contacts,
              (QStringList{QStringLiteral("bob=105"), QStringLiteral("Carl=102")}));
    QFile file(QStringLiteral("contacts.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("bob=105\r\nCarl=102\r\n"));
}

TEST_F(ClientWindowTest, ClosingWhileIdleClosesTheVoiceSocketsAndEnds)
{
    TZeltClientForm1& window = start();
    window.Shared().voiceHandles.VoiceReceiveHandle.allocate();
    window.Shared().voiceHandles.VoiceSendHandles[7].allocate();
    QSignalSpy closed(&window, &TZeltClientForm1::Closed);
    window.Action2->trigger();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.Shared().voiceHandles.VoiceReceiveHandle.isOpen());
    EXPECT_FALSE(window.Shared().voiceHandles.VoiceSendHandles[7].isOpen());
    EXPECT_TRUE(boxesAfterEvents().empty());
}

TEST_F(ClientWindowTest, TwoSoftphonesInOneProcessKeepTheirOwnState)
{
    auto first = std::make_unique<TZeltClientForm1>(setupHere());
    test::WriteFile(QStringLiteral("ClientID.txt"), "456\r\n");
    TZeltClientForm1 second(setupHere());
    EXPECT_EQ(first->Shared().OwnClientID, 123);
    EXPECT_EQ(second.Shared().OwnClientID, 456);
    first->AddLogEntry(QStringLiteral(" first only"));
    EXPECT_TRUE(second.Memo2->toPlainText().isEmpty());

    // The window made first closes first; errors of controls still reach a display.
    first.reset();
    ui::MaskEdit octet;
    octet.setEditMask(QStringLiteral("!990;0;_"));
    ui::setTag(&octet, 2);
    EXPECT_FALSE(octet.validateEdit());
    const auto boxes = boxesAfterEvents();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("IP address error"));
}

}  // namespace
}  // namespace parlino
