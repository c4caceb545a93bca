// Message boxes and the input box, with a hook through which tests answer them.
//
// Every modal question the programs ask goes through here. Without a responder the real
// Qt dialog is shown; with one installed (tests), the responder answers at once and the
// request is kept so that a test can check what was asked.
#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace parlino::ui {

enum class DialogButtons { Ok, YesNo, YesNoCancel, OkCancel };
enum class DialogIcon { None, Information, Warning, Error, Question };
enum class DialogAnswer { Ok, Yes, No, Cancel };

struct DialogRequest {
    enum class Kind { Message, Input } kind = Kind::Message;
    QString caption;
    QString text;  // the message, or the input box's prompt
    DialogButtons buttons = DialogButtons::Ok;
    DialogIcon icon = DialogIcon::None;
    QString defaultInput;  // input box only
};

struct DialogResponse {
    DialogAnswer answer = DialogAnswer::Ok;
    QString input;  // input box only: the text typed when answered Ok
    // Boxes of the ErrorDisplay only: the box stays open, as if the operator had not yet
    // answered, until the display closes it.
    bool leaveOpen = false;
};

using DialogResponder = std::function<DialogResponse(const DialogRequest&)>;

// Shows a message box and returns the button pressed. A Yes/No box closed without either
// (title bar, Escape) gives Cancel.
DialogAnswer ShowMessage(const QString& text, const QString& caption,
                         DialogButtons buttons = DialogButtons::Ok,
                         DialogIcon icon = DialogIcon::None);

// The application's standard error display: the text in a box captioned with the
// application's name.
void ShowError(const QString& text);

// Asks "Delete record?" before a row is deleted from a grid or navigator; true for OK.
bool ConfirmDeleteRecord();

// The input box: the text typed, or nullopt when cancelled.
std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                const QString& defaultText = {});

// Hands a request to the installed responder: `answered` tells whether there is one.
DialogResponse RespondThroughHook(const DialogRequest& request, bool& answered);

// Installs a responder for the lifetime of this object and records every request.
// Only one may be active at a time; the main thread owns it.
class ScopedDialogResponder {
public:
    explicit ScopedDialogResponder(DialogResponder responder);
    ~ScopedDialogResponder();
    ScopedDialogResponder(const ScopedDialogResponder&) = delete;
    ScopedDialogResponder& operator=(const ScopedDialogResponder&) = delete;

    const std::vector<DialogRequest>& requests() const { return requests_; }
    void clear() { requests_.clear(); }

    // Responders for the common cases.
    static DialogResponder always(DialogAnswer answer);
    static DialogResponder inputting(const QString& text);
    // Leaves the ErrorDisplay's boxes open (answers any other request with Ok).
    static DialogResponder leavingOpen();

private:
    friend DialogResponse RespondThroughHook(const DialogRequest&, bool&);
    DialogResponder responder_;
    std::vector<DialogRequest> requests_;
};

}  // namespace parlino::ui
