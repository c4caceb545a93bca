#include "platform/ui/ErrorDisplay.h"

#include "QtWait.h"
#include "platform/dataset/DatasetErrors.h"
#include "platform/ui/GuardedCall.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <unistd.h>

#include <stdexcept>
#include <thread>

namespace parlino::ui {
namespace {

using test::WaitUntil;

// A display whose log lines are kept for the test.
struct LoggedDisplay {
    LoggedDisplay()
    {
        display.setLog([this](const QString& line) { lines.push_back(line); });
    }
    ErrorDisplay display;
    std::vector<QString> lines;
};

std::vector<QMessageBox*> VisibleBoxes()
{
    std::vector<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            boxes.push_back(box);
    return boxes;
}

TEST(ErrorDisplayTest, ShowsOnlyOnceTheHandlerHasReturnedAndLogsAtOnce)
{
    ScopedDialogResponder dialogs(ScopedDialogResponder::always(DialogAnswer::Ok));
    LoggedDisplay logged;
    logged.display.post("Disk full", "Error", DialogIcon::Warning);
    EXPECT_TRUE(dialogs.requests().empty()) << "nothing may be shown inside the handler";
    ASSERT_EQ(logged.lines.size(), 1u);
    EXPECT_TRUE(logged.lines[0].contains(
        QRegularExpression(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} Error: Disk full$)")))
        << logged.lines[0].toStdString();

    ASSERT_TRUE(WaitUntil([&] { return !dialogs.requests().empty(); }));
    ASSERT_EQ(dialogs.requests().size(), 1u);
    EXPECT_EQ(dialogs.requests()[0].caption, "Error");
    EXPECT_EQ(dialogs.requests()[0].text, "Disk full");
    EXPECT_EQ(dialogs.requests()[0].icon, DialogIcon::Warning);
    EXPECT_TRUE(logged.display.openBoxes().empty()) << "answered at once";
}

TEST(ErrorDisplayTest, AFloodGathersInOneBoxThatCountsAndListsTheLatest)
{
    ScopedDialogResponder dialogs(ScopedDialogResponder::leavingOpen());
    LoggedDisplay logged;
    logged.display.post("first failure", "Server");
    logged.display.showPending();
    for (int i = 2; i <= 1000; ++i) {
        logged.display.post(QStringLiteral("failure %1").arg(i), "Server");
        if (i % 100 == 0)
            logged.display.showPending();
    }
    logged.display.showPending();

    EXPECT_EQ(dialogs.requests().size(), 1u) << "one box opened";
    const auto boxes = logged.display.openBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].count, 1000);
    EXPECT_TRUE(boxes[0].text.startsWith("1000 messages since ")) << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.endsWith("failure 1000")) << boxes[0].text.toStdString();
    EXPECT_EQ(logged.lines.size(), 1000u) << "standard error keeps every one";

    // Once closed, the next error opens a box of its own again.
    logged.display.closeAll();
    EXPECT_TRUE(logged.display.openBoxes().empty());
    logged.display.post("later", "Server");
    logged.display.showPending();
    ASSERT_EQ(logged.display.openBoxes().size(), 1u);
    EXPECT_EQ(logged.display.openBoxes()[0].text, "later");
}

TEST(ErrorDisplayTest, KindsGetBoxesOfTheirOwnUpToTheLimit)
{
    ScopedDialogResponder dialogs(ScopedDialogResponder::leavingOpen());
    LoggedDisplay logged;
    QWidget owner;
    // Caption, icon and owner tell kinds apart.
    logged.display.post("a", "Error");
    logged.display.post("b", "Error", DialogIcon::Information);
    logged.display.post("c", "Error", DialogIcon::Error, &owner);
    logged.display.post("d", "Error");  // joins "a"
    logged.display.showPending();
    auto boxes = logged.display.openBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].count, 2);
    EXPECT_EQ(boxes[1].count, 1);
    EXPECT_EQ(boxes[2].count, 1);

    logged.display.post("e", "Other");
    logged.display.post("f", "Yet another");  // past the limit: joins the newest box
    logged.display.showPending();
    boxes = logged.display.openBoxes();
    ASSERT_EQ(boxes.size(), ErrorDisplay::MaxOpenBoxes);
    EXPECT_EQ(boxes.back().caption, "Other");
    EXPECT_EQ(boxes.back().count, 2);
    EXPECT_TRUE(boxes.back().text.endsWith("f"));
    EXPECT_EQ(dialogs.requests().size(), ErrorDisplay::MaxOpenBoxes);
}

TEST(ErrorDisplayTest, MessagesFromAnotherThreadAreShownOnTheMainThread)
{
    ScopedDialogResponder dialogs(ScopedDialogResponder::leavingOpen());
    LoggedDisplay logged;
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            logged.display.post(QStringLiteral("voice %1").arg(i), "Voice");
    });
    worker.join();
    ASSERT_TRUE(WaitUntil([&] {
        const auto boxes = logged.display.openBoxes();
        return !boxes.empty() && boxes[0].count == 50;
    }));
    EXPECT_EQ(logged.lines.size(), 50u);
}

TEST(ErrorDisplayTest, RealBoxesDoNotBlockAndGrowUntilClosed)
{
    LoggedDisplay logged;
    logged.display.post("first", "Server");
    logged.display.showPending();  // returns while the box is open
    auto boxes = VisibleBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_FALSE(boxes[0]->isModal());
    EXPECT_EQ(boxes[0]->text(), "first");

    logged.display.post("second", "Server");
    logged.display.showPending();
    ASSERT_EQ(VisibleBoxes().size(), 1u);
    EXPECT_TRUE(boxes[0]->text().endsWith("second"));
    EXPECT_TRUE(boxes[0]->detailedText().contains("first")) << "the list keeps the earlier one";

    boxes[0]->button(QMessageBox::Ok)->click();  // the operator's OK
    EXPECT_TRUE(logged.display.openBoxes().empty());
    EXPECT_TRUE(WaitUntil([] { return VisibleBoxes().empty(); }));
}

TEST(ErrorDisplayTest, ABoxGoesWithItsOwner)
{
    LoggedDisplay logged;
    auto owner = std::make_unique<QWidget>();
    logged.display.post("owned", "Error", DialogIcon::Error, owner.get());
    logged.display.showPending();
    ASSERT_EQ(logged.display.openBoxes().size(), 1u);
    owner.reset();
    EXPECT_TRUE(logged.display.openBoxes().empty());
}

TEST(ErrorDisplayTest, AnOwnedBoxBlocksItsOwnerAndMovesOverAModalDialogOpenedLater)
{
    LoggedDisplay logged;
    QWidget owner;
    owner.show();
    logged.display.post("owned", "Error", DialogIcon::Error, &owner);
    logged.display.showPending();
    const auto boxes = VisibleBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]->windowModality(), Qt::WindowModal);
    EXPECT_EQ(boxes[0]->parentWidget(), &owner);

    // A modal dialog that does not come from the owner would cover the box and block it.
    QDialog later;
    later.setModal(true);
    later.show();
    ASSERT_TRUE(WaitUntil([&] { return boxes[0]->parentWidget() == &later; }));
    EXPECT_TRUE(boxes[0]->isVisible());
    EXPECT_EQ(boxes[0]->windowModality(), Qt::WindowModal);
    boxes[0]->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(logged.display.openBoxes().empty());
}

TEST(ErrorDisplayTest, WithoutALogEveryMessageGoesToStandardErrorWithItsTime)
{
    QTemporaryFile capture;
    ASSERT_TRUE(capture.open());
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    ASSERT_GE(saved, 0);
    ASSERT_GE(dup2(capture.handle(), STDERR_FILENO), 0);
    {
        ScopedDialogResponder dialogs(ScopedDialogResponder::always(DialogAnswer::Ok));
        ErrorDisplay display;
        display.post("Too many open files", "ParlinoServer");
    }
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    capture.seek(0);
    const QString written = QString::fromLocal8Bit(capture.readAll());
    EXPECT_TRUE(written.contains(QRegularExpression(R"(\d\d:\d\d:\d\d\.\d{3} ParlinoServer: Too many open files\n)")))
        << written.toStdString();
}

struct GuardCase {
    const char* name;
    std::function<void()> work;
    bool completes;
    const char* shown;  // nullptr: nothing is shown
};

TEST(GuardedCallTest, TheSilentAbortIsQuietEveryOtherErrorIsShown)
{
    QApplication::setApplicationName("ParlinoTests");
    const GuardCase cases[] = {
        {"completes", [] {}, true, nullptr},
        {"silent abort", [] { throw dataset::SilentAbort(); }, false, nullptr},
        {"table error", [] { throw dataset::DatasetError("Field 'Client_ID' must be 101 to 1000"); }, false,
         "Field 'Client_ID' must be 101 to 1000"},
        {"anything else", [] { throw 42; }, false, "Unknown error"},
    };
    for (const GuardCase& c : cases) {
        ScopedDialogResponder dialogs(ScopedDialogResponder::always(DialogAnswer::Ok));
        LoggedDisplay logged;
        EXPECT_EQ(runGuarded(logged.display, c.work), c.completes) << c.name;
        logged.display.showPending();
        if (!c.shown) {
            EXPECT_TRUE(dialogs.requests().empty()) << c.name;
            EXPECT_TRUE(logged.lines.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(dialogs.requests().size(), 1u) << c.name;
        EXPECT_EQ(dialogs.requests()[0].text, c.shown) << c.name;
        EXPECT_EQ(dialogs.requests()[0].caption, "ParlinoTests") << c.name;
        EXPECT_EQ(dialogs.requests()[0].icon, DialogIcon::Error) << c.name;
    }
}

}  // namespace
}  // namespace parlino::ui
