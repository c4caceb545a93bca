// The softphone's log: entries stand newest first, and only the newest are kept, so that a
// server that sends without end costs bounded memory and the log stays quick to show.
//
// While held (a read event handling its slice of input), entries gather and go into the
// memo as one insertion at the release; of them only those that will be kept are written,
// all stamped with the time the hold began. Main thread only.
#pragma once

#include <QString>
#include <QTime>

#include <deque>

class QPlainTextEdit;

namespace parlino {

class BoundedLog {
public:
    // The log keeps its newest MaxLines lines and, of those, no more than MaxCharacters
    // characters; the newest line stays whatever its length.
    static constexpr int MaxLines = 1000;
    static constexpr int MaxCharacters = 256 * 1024;

    // `memo` outlives this; its undo history is switched off, as it would keep every line.
    explicit BoundedLog(QPlainTextEdit& memo);
    BoundedLog(const BoundedLog&) = delete;
    BoundedLog& operator=(const BoundedLog&) = delete;

    // A log entry at the time of day: `text` begins with a blank.
    void add(const QString& text);
    // Entries gather from hold() until the matching release(); holds nest.
    void hold();
    void release();

private:
    // Inserts `entries` (oldest first) above the log's lines, then cuts the oldest lines.
    void insert(const std::deque<QString>& entries, QTime time);
    void trim();

    QPlainTextEdit& memo_;
    int holds_ = 0;
    QTime heldAt_;
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
