#include "client/BoundedLog.h"

#include "client/LogLines.h"

#include <QLocale>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace parlino {

namespace {

QString LogLine(const QLocale& locale, const QDateTime& time, const QString& text)
{
    return LogEntryText(locale, time.time(), text);
}

QString InformationLine(const QLocale& locale, const QDateTime& time, const QString& text)
{
    return InfoLineText(locale, time.date(), text);
}

}  // namespace

const MemoBounds BoundedLog::Log{0, 1000, 256 * 1024, LogLine};
const MemoBounds BoundedLog::Information{1, 100, 64 * 1024, InformationLine};

BoundedLog::BoundedLog(QPlainTextEdit& memo, const MemoBounds& bounds)
    : memo_(memo), bounds_(bounds)
{
    QTextDocument* document = memo_.document();
    document->setUndoRedoEnabled(false);
    if (!document->isEmpty())
        trailer_ = std::max(0, document->blockCount() - bounds_.heading);
}

void BoundedLog::add(const QString& text)
{
    if (holds_ == 0) {
        insert({text}, QDateTime::currentDateTime());
        return;
    }
    held_.push_back(text);
    heldCharacters_ += text.size();
    // What the log would cut at once is not kept in the meantime either.
    while (held_.size() > 1 &&
           (held_.size() > static_cast<std::size_t>(bounds_.maxLines) ||
            heldCharacters_ > bounds_.maxCharacters)) {
        heldCharacters_ -= held_.front().size();
        held_.pop_front();
    }
}

void BoundedLog::hold()
{
    if (holds_++ == 0)
        heldAt_ = QDateTime::currentDateTime();
}

void BoundedLog::release()
{
    if (--holds_ > 0 || held_.empty())
        return;
    std::deque<QString> entries;
    entries.swap(held_);
    heldCharacters_ = 0;
    insert(entries, heldAt_);
}

void BoundedLog::insert(const std::deque<QString>& entries, const QDateTime& time)
{
    const QLocale locale;
    QString lines;
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        if (!lines.isEmpty())
            lines += QLatin1Char('\n');
        lines += bounds_.line(locale, time, *entry);
    }
    QTextDocument* document = memo_.document();
    QTextCursor cursor(document);
    if (document->isEmpty()) {
        cursor.insertText(lines);
    } else if (bounds_.heading >= document->blockCount()) {
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QLatin1Char('\n') + lines);
    } else {
        cursor.setPosition(document->findBlockByNumber(bounds_.heading).position());
        cursor.insertText(lines + QLatin1Char('\n'));
    }
    trim();
}

void BoundedLog::trim()
{
    QTextDocument* document = memo_.document();
    const int entryLines = document->blockCount() - bounds_.heading - trailer_;
    if (entryLines <= 0 ||
        (entryLines <= bounds_.maxLines && document->characterCount() <= bounds_.maxCharacters))
        return;
    QTextBlock kept = document->findBlockByNumber(bounds_.heading);
    QTextBlock block = kept.next();
    int lines = 1;
    qsizetype characters = kept.length();
    while (lines < entryLines && lines < bounds_.maxLines &&
           characters + block.length() <= bounds_.maxCharacters) {
        characters += block.length();
        ++lines;
        kept = block;
        block = block.next();
    }
    if (lines == entryLines)
        return;
    // From the end of the last line kept, its line break included, to the end of the last
    // entry, whose line break then ends the last line kept.
    QTextCursor cursor(document);
    cursor.setPosition(kept.position() + kept.length() - 1);
    if (trailer_ == 0)
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    else
        cursor.setPosition(document->findBlockByNumber(bounds_.heading + entryLines).position() - 1,
                           QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

}  // namespace parlino
