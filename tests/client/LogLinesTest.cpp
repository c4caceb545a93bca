#include "client/LogLines.h"

#include "client/BoundedLog.h"

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

// However the entries come, one by one or gathered while a burst is handled, the log keeps
// only its newest lines within both bounds, newest first.
TEST(LogLinesTest, TheLogKeepsOnlyItsNewestLinesWithinItsBounds)
{
    struct Case {
        const char* name;
        bool held;
        int entries;
        int length;
        int lines;
    };
    const int many = BoundedLog::MaxLines + 50;
    const int longEntry = BoundedLog::MaxCharacters / 10;
    const Case cases[] = {
        {"one by one", false, many, 8, BoundedLog::MaxLines},
        {"held", true, many, 8, BoundedLog::MaxLines},
        {"long entries one by one", false, 20, longEntry, 9},
        {"long entries held", true, 20, longEntry, 9},
        {"an entry longer than the bound", true, 3, 2 * BoundedLog::MaxCharacters, 1},
    };
    const auto entry = [](int i, int length) {
        return QStringLiteral(" %1").arg(i).leftJustified(length, QLatin1Char('x'));
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QPlainTextEdit memo;
        BoundedLog log(memo);
        if (c.held)
            log.hold();
        for (int i = 0; i < c.entries; ++i)
            log.add(entry(i, c.length));
        if (c.held) {
            EXPECT_TRUE(memo.document()->isEmpty()) << "nothing shows before the release";
            log.release();
        }
        const QStringList lines = memo.toPlainText().split(QLatin1Char('\n'));
        ASSERT_EQ(lines.size(), c.lines);
        EXPECT_TRUE(lines.first().endsWith(entry(c.entries - 1, c.length)));
        EXPECT_TRUE(lines.last().endsWith(entry(c.entries - c.lines, c.length)));
        EXPECT_FALSE(memo.document()->isUndoRedoEnabled());
    }
}

}  // namespace
}  // namespace parlino
