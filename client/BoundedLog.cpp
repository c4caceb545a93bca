#include "client/BoundedLog.h"

#include "client/LogLines.h"

#include <QLocale>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace parlino {

BoundedLog::BoundedLog(QPlainTextEdit& memo) : memo_(memo)
{
    memo_.document()->setUndoRedoEnabled(false);
}

void BoundedLog::add(const QString& text)
{
    if (holds_ == 0) {
        insert({text}, QTime::currentTime());
        return;
    }
    held_.push_back(text);
    heldCharacters_ += text.size();
    // What the log would cut at once is not kept in the meantime either.
    while (held_.size() > 1 &&
           (held_.size() > static_cast<std::size_t>(MaxLines) || heldCharacters_ > MaxCharacters)) {
        heldCharacters_ -= held_.front().size();
        held_.pop_front();
    }
}

void BoundedLog::hold()
{
    if (holds_++ == 0)
        heldAt_ = QTime::currentTime();
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

void BoundedLog::insert(const std::deque<QString>& entries, QTime time)
{
    const QString stamp = LogEntryText(QLocale(), time, QString());
    QString lines;
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        if (!lines.isEmpty())
            lines += QLatin1Char('\n');
        lines += stamp + *entry;
    }
    QTextDocument* document = memo_.document();
    if (!document->isEmpty())
        lines += QLatin1Char('\n');
    QTextCursor cursor(document);
    cursor.insertText(lines);
    trim();
}

void BoundedLog::trim()
{
    QTextDocument* document = memo_.document();
    if (document->blockCount() <= MaxLines && document->characterCount() <= MaxCharacters)
        return;
    QTextBlock kept = document->firstBlock();
    QTextBlock block = kept.next();
    int lines = 1;
    qsizetype characters = kept.length();
    while (block.isValid() && lines < MaxLines && characters + block.length() <= MaxCharacters) {
        characters += block.length();
        ++lines;
        kept = block;
        block = block.next();
    }
    if (!block.isValid())
        return;
    // From the end of the last line kept, its line break included, to the end.
    QTextCursor cursor(document);
    cursor.setPosition(kept.position() + kept.length() - 1);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

}  // namespace parlino
