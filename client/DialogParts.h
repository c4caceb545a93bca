// Pieces the softphone's dialogs are laid out with.
#pragma once

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace parlino {

// An edit field with its caption beside it.
inline QLineEdit* AddLabeledEdit(QFormLayout& layout, const QString& objectName, const QString& caption,
                                 bool hidesText = false)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(objectName);
    if (hidesText) {
        edit->setEchoMode(QLineEdit::Password);
        // One "*" per character, whatever the desktop style would draw.
        edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    }
    auto* label = new QLabel(caption);
    label->setBuddy(edit);
    layout.addRow(label, edit);
    return edit;
}

// Widens an edit to show `count` digits whole.
inline void FitDigits(QLineEdit& edit, int count)
{
    // What the edit's frame and margins take beside the text, as its own size hint counts it.
    const QFontMetrics metrics = edit.fontMetrics();
    const int frame = edit.sizeHint().width() - 17 * metrics.horizontalAdvance(QLatin1Char('x'));
    edit.setMinimumWidth(frame + metrics.horizontalAdvance(QString(count, QLatin1Char('0'))));
}

struct DialogButtonPair {
    QPushButton* ok;      // "BitBtn1", pressed by Return unless another button has the focus
    QPushButton* cancel;  // "BitBtn2"
};

// "OK" and the cancelling button at the foot of a dialog; `layout` must already be set on
// the dialog.
inline DialogButtonPair AddDialogButtons(QBoxLayout& layout, const QString& cancelCaption)
{
    auto* box = new QDialogButtonBox;
    DialogButtonPair buttons{box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole),
                             box->addButton(cancelCaption, QDialogButtonBox::RejectRole)};
    buttons.ok->setObjectName(QStringLiteral("BitBtn1"));
    buttons.cancel->setObjectName(QStringLiteral("BitBtn2"));
    layout.addWidget(box);
    // Only a button already inside its dialog becomes the dialog's default for good: made
    // default before, it would lose that to the first button the focus passes over.
    Q_ASSERT(qobject_cast<QDialog*>(box->window()));
    buttons.ok->setDefault(true);
    return buttons;
}

}  // namespace parlino
