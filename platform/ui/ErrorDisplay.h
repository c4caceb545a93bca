// The program's display of errors and other messages raised where no box may be opened.
//
// Socket, timer and worker-thread handlers must never wait for the operator: post() writes
// the message to standard error with its time at once and returns; the box opens only after
// the handler has returned, from the event loop. Boxes never block either: none runs a loop
// of its own, so the program keeps serving while it is open. A box with an owner stands
// over it, modal to it (to it alone); one without is a window of its own, modal to nothing.
// A modal dialog that opens later over the owner (not from the box, which blocks the owner)
// takes the box over: it moves over that dialog, which it then blocks until answered.
//
// A flood of errors stays a handful of windows: a message joins the open box with the same
// caption, icon and owner, which then counts them and lists the latest. At most
// MaxOpenBoxes boxes are open; beyond that a message of another kind joins the newest box.
// Standard error keeps every message.
//
// Tests answer the boxes through the dialog hook (ScopedDialogResponder): a box is one
// request when it opens, and a response with leaveOpen set keeps it open until closeAll().
#pragma once

#include "platform/ui/Dialogs.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QMessageBox;

namespace parlino::ui {

class ErrorDisplay : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t MaxOpenBoxes = 4;
    // Messages a gathering box lists by text; its count covers all of them.
    static constexpr std::size_t MaxListedMessages = 100;

    // What an open box shows.
    struct OpenBox {
        QString caption;
        DialogIcon icon = DialogIcon::Error;
        QString text;
        int count = 0;  // messages gathered in it
    };

    explicit ErrorDisplay(QObject* parent = nullptr);
    ~ErrorDisplay() override;

    // Any thread. Logs the message now and shows it in a box once the event loop runs.
    // `owner` is the window the box belongs to (none: a window of its own).
    void post(const QString& text, const QString& caption, DialogIcon icon = DialogIcon::Error,
              QWidget* owner = nullptr);
    // The standard error display: the text in a box captioned with the application's name.
    void postError(const QString& text);
    // Any thread. Writes a word for the operator to the log only, as post() would.
    void note(const QString& text, const QString& caption);

    // Main thread. Messages posted without an owner are shown over the modal dialog at work
    // when they are shown, else over `window` while it is on screen (not minimised). Without
    // it they stand alone.
    void setDefaultOwner(QWidget* window);

    // Where every message is written as one line with its time; standard error by default.
    void setLog(std::function<void(const QString& line)> log);

    // Main thread: shows every message posted so far. The event loop does this by itself;
    // a test calls it where the loop would have run.
    void showPending();

    // Main thread: the boxes open now, oldest first.
    std::vector<OpenBox> openBoxes() const;
    // Main thread: closes every open box as the operator's OK would.
    void closeAll();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Message {
        QString text;
        QString caption;
        DialogIcon icon;
        QPointer<QWidget> owner;
        bool hasOwner;
        QDateTime time;
    };
    struct Box;

    Box* boxFor(const Message& message);
    QWidget* ownerNow() const;
    bool isBoxWidget(const QObject* object) const;
    void moveOverModalDialog(QWidget* dialog);
    void present(Box& box);
    void gather(Box& box, const Message& message);
    std::unique_ptr<Box> takeBox(const Box* box);
    void closeBox(const Box* box);   // closes its widget too
    void forgetBox(const Box* box);  // its widget is already gone
    static QString logLine(const Message& message);

    // Lock rule: pendingMutex_ guards pending_ and log_; taken by post() on any thread (which
    // also writes the log line under it, so lines never interleave) and by showPending() to
    // take the queue. Never show or touch a box while holding it.
    mutable std::mutex pendingMutex_;
    std::vector<Message> pending_;
    std::function<void(const QString&)> log_;

    // Main thread only.
    std::vector<std::unique_ptr<Box>> boxes_;
    QPointer<QWidget> defaultOwner_;
};

}  // namespace parlino::ui
