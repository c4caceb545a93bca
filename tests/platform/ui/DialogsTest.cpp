#include "platform/ui/Dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace parlino::ui {
namespace {

// Shows a real Yes/No box and does `act` to it once it is up; gives up after two seconds.
DialogAnswer AskAndThen(const std::function<void(QMessageBox&)>& act)
{
    auto* poll = new QTimer;
    int attempts = 0;
    QObject::connect(poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box->isVisible()) {
            poll->stop();
            act(*box);
        } else if (++attempts > 200) {
            poll->stop();
            ADD_FAILURE() << "the box never showed";
            QApplication::exit(1);
        }
    });
    poll->start(10);
    const DialogAnswer answer = ShowMessage(QStringLiteral("Start New Server Day?"),
                                            QStringLiteral("Start Server"), DialogButtons::YesNo,
                                            DialogIcon::Question);
    delete poll;
    return answer;
}

TEST(DialogsTest, AYesNoBoxClosedWithoutAnAnswerGivesCancel)
{
    EXPECT_EQ(AskAndThen([](QMessageBox& box) { box.close(); }), DialogAnswer::Cancel);
    EXPECT_EQ(AskAndThen([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }),
              DialogAnswer::Cancel);
    EXPECT_EQ(AskAndThen([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); }),
              DialogAnswer::Yes)
        << "Return presses the default button";
    EXPECT_EQ(AskAndThen([](QMessageBox& box) { box.button(QMessageBox::No)->click(); }),
              DialogAnswer::No);
    EXPECT_EQ(AskAndThen([](QMessageBox& box) {
                  EXPECT_FALSE(box.button(QMessageBox::Cancel)->isVisible())
                      << "only Yes and No show";
                  box.button(QMessageBox::Yes)->click();
              }),
              DialogAnswer::Yes);
}

}  // namespace
}  // namespace parlino::ui
