#include "client/LogLines.h"

#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>

namespace parlino {

QString LongTimeFormat(const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    format.replace(zone, QStringLiteral(" "));
    return format.trimmed();
}

QString LogEntryText(const QLocale& locale, QTime time, const QString& text)
{
    return locale.toString(time, LongTimeFormat(locale)) + text;
}

QString InfoLineText(const QLocale& locale, QDate date, const QString& text)
{
    return locale.toString(date, QLocale::ShortFormat) + QLatin1Char(' ') + text;
}

void InsertMemoLine(QPlainTextEdit& memo, int line, const QString& text)
{
    QTextDocument* document = memo.document();
    const bool empty = document->isEmpty();
    QTextCursor cursor(document);
    if (empty) {
        cursor.insertText(text);
        return;
    }
    if (line >= document->blockCount()) {
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QLatin1Char('\n') + text);
        return;
    }
    cursor.setPosition(document->findBlockByNumber(line).position());
    cursor.insertText(text + QLatin1Char('\n'));
}

}  // namespace parlino
