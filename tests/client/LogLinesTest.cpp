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

// However the entries come, one by one or gathered while a burst is handled, the log and the
// information memo keep only their newest lines within both bounds, newest first, and the
// memo's heading and notice lines stay where they are.
TEST(LogLinesTest, TheMemosKeepOnlyTheirNewestLinesWithinTheirBounds)
{
    struct Case {
        const char* name;
        const MemoBounds& bounds;
        bool held;
        int entries;
        qsizetype length;
        int lines;
    };
    const MemoBounds& log = BoundedLog::Log;
    const MemoBounds& information = BoundedLog::Information;
    const Case cases[] = {
        {"one by one", log, false, log.maxLines + 50, 8, log.maxLines},
        {"held", log, true, log.maxLines + 50, 8, log.maxLines},
        {"long entries one by one", log, false, 20, log.maxCharacters / 10, 9},
        {"long entries held", log, true, 20, log.maxCharacters / 10, 9},
        {"an entry longer than the bound", log, true, 3, 2 * log.maxCharacters, 1},
        {"information one by one", information, false, information.maxLines + 50, 8,
         information.maxLines},
        {"information held", information, true, information.maxLines + 50, 8, information.maxLines},
        {"long information", information, false, 20, information.maxCharacters / 10, 9},
    };
    const QString heading = QStringLiteral("Information");
    const QStringList notices = {QStringLiteral("first notice"), QStringLiteral("second notice")};
    const auto entry = [](int i, qsizetype length) {
        return QStringLiteral(" %1").arg(i).leftJustified(length, QLatin1Char('x'));
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool withHeading = c.bounds.heading > 0;
        QPlainTextEdit memo;
        if (withHeading)
            memo.setPlainText(heading + QLatin1Char('\n') + notices.join(QLatin1Char('\n')));
        const QString before = memo.toPlainText();
        BoundedLog bounded(memo, c.bounds);
        if (c.held)
            bounded.hold();
        for (int i = 0; i < c.entries; ++i)
            bounded.add(entry(i, c.length));
        if (c.held) {
            EXPECT_EQ(memo.toPlainText(), before) << "nothing shows before the release";
            bounded.release();
        }
        QStringList lines = memo.toPlainText().split(QLatin1Char('\n'));
        if (withHeading) {
            ASSERT_GT(lines.size(), 3);
            EXPECT_EQ(lines.takeFirst(), heading);
            EXPECT_EQ(lines.takeLast(), notices[1]);
            EXPECT_EQ(lines.takeLast(), notices[0]);
        }
        ASSERT_EQ(lines.size(), c.lines);
        EXPECT_TRUE(lines.first().endsWith(entry(c.entries - 1, c.length)));
        EXPECT_TRUE(lines.last().endsWith(entry(c.entries - c.lines, c.length)));
        EXPECT_FALSE(memo.document()->isUndoRedoEnabled());
    }
}

}  // namespace
}  // namespace parlino
