// An edit field that takes only what its input mask allows (see EditMask) and checks that
// the value is complete.
//
// The check runs when the user leaves the field with Tab or Shift+Tab, and when the form's
// OK runs ValidateMaskEdits(). A value that leaves a required position empty raises the mask
// error through the application's exception handler, with this field as the control, and
// the focus stays in the field. Escape puts back the text the field had when the focus
// entered it; an Escape with nothing to put back goes on to the form (which cancels).
// text() holds the typed digits only; the mask's literals are never part of it.
#pragma once

#include "platform/ui/EditMask.h"

#include <QLineEdit>

namespace parlino::ui {

class MaskEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit MaskEdit(QWidget* parent = nullptr);

    void setEditMask(const QString& mask);
    const EditMask& editMask() const { return mask_; }

    // True when the text fills the mask.
    bool isValueComplete() const { return mask_.isComplete(text()); }
    // isValueComplete(); when false, also raises the mask error and takes the focus back.
    bool validateEdit();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    EditMask mask_;
    QString textAtEntry_;
    bool focusLeftWindow_ = false;  // the focus went to another window, not another field
};

// Runs validateEdit() on the enabled masked edits of `form` in the order they were created and
// stops at the first that fails; true when all pass. For a form's OK button.
bool ValidateMaskEdits(QWidget* form);

}  // namespace parlino::ui
