#include "client/ContUnit1.h"

#include "client/ContactsFile.h"
#include "client/DialogParts.h"
#include "platform/ui/ApplicationExceptions.h"
#include "platform/ui/ControlTag.h"
#include "platform/ui/NameValueGrid.h"

#include <QApplication>
#include <QGroupBox>

#include <stdexcept>

namespace parlino {

namespace {
// Control tag of the name grids: "=" typed into a name reads "Name may not contain ...".
constexpr int NameGridTag = 3;

QPushButton* AddSideButton(QBoxLayout& layout, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption);
    button->setObjectName(QLatin1String(name));
    layout.addWidget(button);
    return button;
}
}  // namespace

TContForm::TContForm(std::int32_t& number, QStringList& contacts, QString contactsFile,
                     QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowStaysOnTopHint), number_(number), contacts_(contacts),
      contactsFile_(std::move(contactsFile))
{
    number_ = 0;
    setWindowTitle(QStringLiteral("Contacts"));
    auto* layout = new QVBoxLayout(this);

    GroupBox1 = new QGroupBox(QStringLiteral("Contacts"));
    auto* groupLayout = new QHBoxLayout(GroupBox1);
    ValueListEditor1 = new ui::NameValueGrid;
    ValueListEditor1->setObjectName(QStringLiteral("ValueListEditor1"));
    ValueListEditor1->lineModel()->setTitles(QStringLiteral("Name"), QStringLiteral("Client ID"));
    ui::setTag(ValueListEditor1, NameGridTag);
    groupLayout->addWidget(ValueListEditor1);
    auto* side = new QVBoxLayout;
    BitBtn1 = AddSideButton(*side, "BitBtn1", QStringLiteral("Add"));
    BitBtn2 = AddSideButton(*side, "BitBtn2", QStringLiteral("Remove"));
    BitBtn5 = AddSideButton(*side, "BitBtn5", QStringLiteral("Sort"));
    side->addStretch();
    groupLayout->addLayout(side);
    layout->addWidget(GroupBox1);

    const DialogButtonPair buttons = AddDialogButtons(*layout, QStringLiteral("Cancel"));
    BitBtn3 = buttons.ok;
    BitBtn4 = buttons.cancel;
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));

    connect(BitBtn1, &QPushButton::clicked, this, &TContForm::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TContForm::BitBtn2Click);
    connect(BitBtn5, &QPushButton::clicked, this, &TContForm::BitBtn5Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TContForm::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TContForm::BitBtn4Click);
    FormCreate();
}

void TContForm::FormCreate()
{
    ValueListEditor1->setLines(contacts_);
}

void TContForm::BitBtn1Click()
{
    FinishGridEdit();
    ValueListEditor1->insertRowBeforeCurrent();
    ValueListEditor1->setFocus(Qt::OtherFocusReason);
}

void TContForm::BitBtn2Click()
{
    FinishGridEdit();
    ValueListEditor1->removeCurrentRow();
    ValueListEditor1->setFocus(Qt::OtherFocusReason);
}

void TContForm::BitBtn5Click()
{
    FinishGridEdit();
    ValueListEditor1->setLines(sortedContacts(ValueListEditor1->lines()));
}

void TContForm::BitBtn3Click()
{
    FinishGridEdit();
    try {
        const int row = ValueListEditor1->currentRow();
        const std::int32_t chosen = row >= 0
            ? decimalToInt32(ValueListEditor1->lineModel()->value(row))
            : 0;
        const QStringList lines = storedContacts(ValueListEditor1->lines());
        writeContactsFile(contactsFile_, lines);
        number_ = chosen;
        contacts_ = lines;
    } catch (const std::exception& error) {
        // Shown once this click is over; the dialog stays open with everything typed.
        ui::HandleApplicationException(ValueListEditor1, error);
        return;
    }
    accept();
}

void TContForm::BitBtn4Click()
{
    reject();
}

void TContForm::FinishGridEdit()
{
    // An open editor hands its text to the grid when it loses the focus.
    QWidget* focused = QApplication::focusWidget();
    if (focused && focused != ValueListEditor1 && ValueListEditor1->isAncestorOf(focused))
        ValueListEditor1->setFocus(Qt::OtherFocusReason);
}

}  // namespace parlino
