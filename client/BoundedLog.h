// The softphone's log and information memo: entries stand newest first, and only the newest
// are kept, so that a server that sends without end costs bounded memory and the memo stays
// quick to show.
//
// While held (a read event handling its slice of input), entries gather and go into the
// memo as one insertion at the release; of them only those that will be kept are written,
// all stamped with the time the hold began. Main thread only.
#pragma once

#include <QDateTime>
#include <QString>

#include <deque>

class QLocale;
class QPlainTextEdit;

namespace parlino {

// Where a memo's entries stand and how many it keeps.
struct MemoBounds {
    // Lines above the entries that stay, such as the information memo's heading; the lines
    // the memo holds below them when the BoundedLog is made stay under the entries.
    int heading = 0;
    // The newest maxLines lines and, of those, no more than maxCharacters characters are
    // kept; the newest line stays whatever its length.
    int maxLines = 1000;
    qsizetype maxCharacters = 256 * 1024;
    // The line an entry becomes, stamped with the time of its insertion.
    QString (*line)(const QLocale&, const QDateTime&, const QString&) = nullptr;
};

class BoundedLog {
public:
    // The log: time of day then the entry, whose text begins with a blank.
    static const MemoBounds Log;
    // The information memo under its heading line: the date, a blank, then the text.
    static const MemoBounds Information;

    // `memo` outlives this; its undo history is switched off, as it would keep every line.
    explicit BoundedLog(QPlainTextEdit& memo, const MemoBounds& bounds = Log);
    BoundedLog(const BoundedLog&) = delete;
    BoundedLog& operator=(const BoundedLog&) = delete;

    void add(const QString& text);
    // Entries gather from hold() until the matching release(); holds nest.
    void hold();
    void release();

private:
    // Inserts `entries` (oldest first) above the newest entry, then cuts the oldest lines.
    void insert(const std::deque<QString>& entries, const QDateTime& time);
    void trim();

    QPlainTextEdit& memo_;
    const MemoBounds bounds_;
    int trailer_ = 0;  // lines kept under the entries
    int holds_ = 0;
    QDateTime heldAt_;
    std::deque<QString> held_;  // oldest first
    qsizetype heldCharacters_ = 0;
};

// Holds a log for one scope.
class LogHold {
public:
    explicit LogHold(BoundedLog& log) : log_(log) { log_.hold(); }
    ~LogHold() { log_.release(); }
    LogHold(const LogHold&) = delete;
    LogHold& operator=(const LogHold&) = delete;

private:
    BoundedLog& log_;
};

}  // namespace parlino
