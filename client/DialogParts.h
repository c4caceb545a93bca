// Pieces the softphone's dialogs are laid out with.
#pragma once

#include <QBoxLayout>
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
    if (hidesText)
        edit->setEchoMode(QLineEdit::Password);
    auto* label = new QLabel(caption);
    label->setBuddy(edit);
    layout.addRow(label, edit);
    return edit;
}

struct DialogButtonPair {
    QPushButton* ok;      // "BitBtn1", pressed by Return
    QPushButton* cancel;  // "BitBtn2"
};

// "OK" and the cancelling button at the foot of a dialog.
inline DialogButtonPair AddDialogButtons(QBoxLayout& layout, const QString& cancelCaption)
{
    auto* box = new QDialogButtonBox;
    DialogButtonPair buttons{box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole),
                             box->addButton(cancelCaption, QDialogButtonBox::RejectRole)};
    buttons.ok->setObjectName(QStringLiteral("BitBtn1"));
    buttons.cancel->setObjectName(QStringLiteral("BitBtn2"));
    buttons.ok->setDefault(true);
    layout.addWidget(box);
    return buttons;
}

}  // namespace parlino
