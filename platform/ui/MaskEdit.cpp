#include "platform/ui/MaskEdit.h"

#include "platform/ui/ApplicationExceptions.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QValidator>

namespace parlino::ui {

namespace {
// Refuses keystrokes that the mask cannot hold; a value that is not yet complete may stand
// while the user types.
class MaskValidator : public QValidator {
public:
    MaskValidator(const EditMask& mask, QObject* parent) : QValidator(parent), mask_(mask) {}

    State validate(QString& input, int&) const override
    {
        if (!mask_.canHold(input))
            return Invalid;
        return mask_.isComplete(input) ? Acceptable : Intermediate;
    }

private:
    const EditMask& mask_;
};
}  // namespace

MaskEdit::MaskEdit(QWidget* parent) : QLineEdit(parent)
{
    setValidator(new MaskValidator(mask_, this));
}

void MaskEdit::setEditMask(const QString& mask)
{
    mask_ = EditMask(mask);
    setMaxLength(mask_.digitCount());
}

bool MaskEdit::validateEdit()
{
    if (isValueComplete())
        return true;
    // Back into the field once the focus change under way is over.
    QPointer<MaskEdit> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self)
            self->setFocus(Qt::OtherFocusReason);
    });
    HandleApplicationException(this, MaskInputError());
    return false;
}

void MaskEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    // Coming back from another window or a popup is no new entry into the field.
    if (!focusLeftWindow_)
        textAtEntry_ = text();
    focusLeftWindow_ = false;
}

void MaskEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    focusLeftWindow_ = event->reason() == Qt::ActiveWindowFocusReason ||
        event->reason() == Qt::PopupFocusReason;
    // Leaving with the keyboard checks the value. A click elsewhere does not: a click on
    // Cancel must cancel, and the form's OK checks for itself.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        validateEdit();
}

void MaskEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && text() != textAtEntry_) {
        setText(textAtEntry_);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

bool ValidateMaskEdits(QWidget* form)
{
    const auto edits = form->findChildren<MaskEdit*>();
    for (MaskEdit* edit : edits) {
        if (edit->isEnabled() && !edit->validateEdit())
            return false;
    }
    return true;
}

}  // namespace parlino::ui
