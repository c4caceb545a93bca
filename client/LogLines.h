// The lines of the softphone's log and information memo.
//
// A log entry is the time of day in the locale's long time format followed directly by a
// text that begins with a blank (" Connected to the server"); the newest entry is the first
// line. An information line is the date in the locale's short format, a blank and the text;
// the newest stands first under the heading line.
#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

class QPlainTextEdit;

namespace parlino {

// The locale's long time format without the time zone, which a log of the day needs not.
QString LongTimeFormat(const QLocale& locale);

QString LogEntryText(const QLocale& locale, QTime time, const QString& text);
QString InfoLineText(const QLocale& locale, QDate date, const QString& text);

// Inserts `text` as line `line` of the memo (0 = first); past the end it is appended.
void InsertMemoLine(QPlainTextEdit& memo, int line, const QString& text);

}  // namespace parlino
