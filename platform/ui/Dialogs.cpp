#include "platform/ui/Dialogs.h"

#include "platform/ui/DialogIcons.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace parlino::ui {

namespace {
ScopedDialogResponder* activeResponder = nullptr;

QMessageBox::StandardButtons ToQtButtons(DialogButtons buttons)
{
    switch (buttons) {
    case DialogButtons::Ok: return QMessageBox::Ok;
    case DialogButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case DialogButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case DialogButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// The window a box stands over: the modal dialog at work, else the active window.
QWidget* BoxOwner()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

DialogAnswer FromQtButton(int button)
{
    switch (button) {
    case QMessageBox::Ok: return DialogAnswer::Ok;
    case QMessageBox::Yes: return DialogAnswer::Yes;
    case QMessageBox::No: return DialogAnswer::No;
    default: return DialogAnswer::Cancel;
    }
}
}  // namespace

DialogResponse RespondThroughHook(const DialogRequest& request, bool& answered)
{
    answered = activeResponder != nullptr;
    if (!answered)
        return {};
    activeResponder->requests_.push_back(request);
    return activeResponder->responder_(request);
}

DialogAnswer ShowMessage(const QString& text, const QString& caption, DialogButtons buttons,
                         DialogIcon icon)
{
    bool answered = false;
    const DialogResponse response = RespondThroughHook(
        {DialogRequest::Kind::Message, caption, text, buttons, icon, {}}, answered);
    if (answered)
        return response.answer;
    // Its owner may go while it is open (an error box closed meanwhile) and take it along.
    const QPointer<QMessageBox> box = new QMessageBox(ToQtIcon(icon), caption, text,
                                                      ToQtButtons(buttons), BoxOwner());
    if (buttons == DialogButtons::YesNo) {
        // Qt takes closing a Yes/No box (title bar or Escape) for No. It is no answer at all:
        // a hidden Cancel receives it instead.
        QPushButton* dismissed = box->addButton(QMessageBox::Cancel);
        dismissed->hide();
        box->setEscapeButton(dismissed);
    }
    const int pressed = box->exec();
    if (!box)
        return DialogAnswer::Cancel;
    delete box.data();
    return FromQtButton(pressed);
}

void ShowError(const QString& text)
{
    ShowMessage(text, QApplication::applicationName(), DialogButtons::Ok, DialogIcon::Error);
}

bool ConfirmDeleteRecord()
{
    return ShowMessage(QStringLiteral("Delete record?"), QStringLiteral("Confirm"),
                       DialogButtons::OkCancel, DialogIcon::Question) == DialogAnswer::Ok;
}

std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                const QString& defaultText)
{
    bool answered = false;
    const DialogResponse response = RespondThroughHook(
        {DialogRequest::Kind::Input, caption, prompt, DialogButtons::OkCancel, DialogIcon::None,
         defaultText},
        answered);
    if (answered) {
        if (response.answer != DialogAnswer::Ok)
            return std::nullopt;
        return response.input;
    }
    bool ok = false;
    const QString text = QInputDialog::getText(BoxOwner(), caption, prompt, QLineEdit::Normal,
                                               defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

ScopedDialogResponder::ScopedDialogResponder(DialogResponder responder)
    : responder_(std::move(responder))
{
    Q_ASSERT(activeResponder == nullptr);
    activeResponder = this;
}

ScopedDialogResponder::~ScopedDialogResponder()
{
    activeResponder = nullptr;
}

DialogResponder ScopedDialogResponder::always(DialogAnswer answer)
{
    return [answer](const DialogRequest&) { return DialogResponse{answer, {}}; };
}

DialogResponder ScopedDialogResponder::leavingOpen()
{
    return [](const DialogRequest&) { return DialogResponse{DialogAnswer::Ok, {}, true}; };
}

DialogResponder ScopedDialogResponder::inputting(const QString& text)
{
    return [text](const DialogRequest&) { return DialogResponse{DialogAnswer::Ok, text}; };
}

}  // namespace parlino::ui
