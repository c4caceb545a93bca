#include "client/LogLines.h"

#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace parlino {
namespace {

TEST(LogLinesTest, MemoLinesGoWhereTheyAreInserted)
{
    QPlainTextEdit memo;
    const auto lines = [&memo] { return memo.toPlainText().split(QLatin1Char('\n')); };
    InsertMemoLine(memo, 0, QStringLiteral(" first"));
    EXPECT_EQ(lines(), QStringList{QStringLiteral(" first")}) << "an empty memo gets no blank line";
    InsertMemoLine(memo, 0, QStringLiteral(" second"));
    EXPECT_EQ(lines(), (QStringList{QStringLiteral(" second"), QStringLiteral(" first")}));
    InsertMemoLine(memo, 1, QStringLiteral("under"));
    EXPECT_EQ(lines(),
              (QStringList{QStringLiteral(" second"), QStringLiteral("under"),
                           QStringLiteral(" first")}));
    InsertMemoLine(memo, 9, QStringLiteral("last"));
    EXPECT_EQ(lines().last(), QStringLiteral("last"));

    QPlainTextEdit heading;
    heading.setPlainText(QStringLiteral("Information"));
    InsertMemoLine(heading, 1, QStringLiteral("x"));
    EXPECT_EQ(heading.toPlainText(), QStringLiteral("Information\nx")) << "under a lone heading";
}

TEST(LogLinesTest, TimeOfDayInTheLocalesLongFormatWithoutZone)
{
    const QTime time(9, 5, 7);
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(LogEntryText(german, time, QStringLiteral(" Connected to the server")),
              QStringLiteral("09:05:07 Connected to the server"));
    const QLocale american(QLocale::English, QLocale::UnitedStates);
    EXPECT_FALSE(LongTimeFormat(american).contains(QLatin1Char('t')));
    EXPECT_TRUE(
        LogEntryText(american, time, QStringLiteral(" x")).startsWith(QStringLiteral("9:05:07")));
    EXPECT_TRUE(
        LogEntryText(american, time, QStringLiteral(" x")).endsWith(QStringLiteral("AM x")));
}

TEST(LogLinesTest, InformationLineIsShortDateBlankText)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(InfoLineText(german, QDate(2026, 12, 9), QStringLiteral("Maintenance tonight")),
              german.toString(QDate(2026, 12, 9), QLocale::ShortFormat) +
                  QStringLiteral(" Maintenance tonight"));
    EXPECT_TRUE(InfoLineText(german, QDate(2026, 12, 9), QStringLiteral("x"))
                    .startsWith(QStringLiteral("09.12.")));
}

}  // namespace
}  // namespace parlino
