#include "client/DialUnit1.h"

#include "client/ContUnit1.h"
#include "client/ContactsFile.h"
#include "client/DialogParts.h"
#include "common/AccountNumbers.h"
#include "platform/ui/ApplicationExceptions.h"
#include "platform/ui/ControlTag.h"
#include "platform/ui/FormHook.h"
#include "platform/ui/MaskEdit.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QSpinBox>

#include <stdexcept>

namespace parlino {

namespace {
// Control tag of the Client ID field: its mask errors read "Invalid Client_ID number".
constexpr int ClientIdTag = 1;

QRadioButton* NewRadioButton(const char* name, const QString& caption)
{
    auto* button = new QRadioButton(caption);
    button->setObjectName(QLatin1String(name));
    return button;
}
}  // namespace

TDialForm::TDialForm(std::int32_t& number, QStringList& contacts, QString& countryCode,
                     QString& areaCode, QString& localNumber, QString contactsFile, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowStaysOnTopHint), number_(number), contacts_(contacts),
      countryCode_(countryCode), areaCode_(areaCode), localNumber_(localNumber),
      contactsFile_(std::move(contactsFile))
{
    number_ = 0;
    setWindowTitle(QStringLiteral("Dialing"));
    auto* layout = new QVBoxLayout(this);

    Panel1 = new QLabel(QStringLiteral("Dial a number"));
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setAlignment(Qt::AlignCenter);
    layout->addWidget(Panel1);

    GroupBox1 = new QGroupBox(QStringLiteral("Number"));
    auto* grid = new QGridLayout(GroupBox1);
    RadioButton1 = NewRadioButton("RadioButton1", QStringLiteral("Client ID"));
    RadioButton1->setChecked(true);
    MaskEdit1 = new ui::MaskEdit;
    MaskEdit1->setObjectName(QStringLiteral("MaskEdit1"));
    MaskEdit1->setEditMask(QStringLiteral("999;0; "));
    MaskEdit1->setText(QStringLiteral("101"));
    ui::setTag(MaskEdit1, ClientIdTag);
    BitBtn1 = new QPushButton(QStringLiteral("Contacts"));
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    grid->addWidget(RadioButton1, 0, 0);
    grid->addWidget(MaskEdit1, 0, 1);
    grid->addWidget(BitBtn1, 0, 2);

    RadioButton2 = NewRadioButton("RadioButton2", QStringLiteral("Outside phone line"));
    RadioButton2->setEnabled(false);
    SpinEdit1 = new QSpinBox;
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setRange(1, LastOutsideLine - LastDialableClientID);
    SpinEdit1->setValue(1);
    SpinEdit1->setEnabled(false);
    grid->addWidget(RadioButton2, 1, 0);
    grid->addWidget(SpinEdit1, 1, 1);

    Panel2 = new QFrame;
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameShape(QFrame::StyledPanel);
    Panel2->setEnabled(false);
    auto* outside = new QVBoxLayout(Panel2);
    RadioButton3 = NewRadioButton("RadioButton3", QStringLiteral("Reserve time"));
    RadioButton3->setChecked(true);
    RadioButton4 = NewRadioButton("RadioButton4", QStringLiteral("Call in reserved time"));
    outside->addWidget(RadioButton3);
    outside->addWidget(RadioButton4);
    auto* parts = new QFormLayout;
    LabeledEdit1 = AddLabeledEdit(*parts, QStringLiteral("LabeledEdit1"),
                                  QStringLiteral("Country:"));
    LabeledEdit1->setText(QStringLiteral("1"));
    LabeledEdit2 = AddLabeledEdit(*parts, QStringLiteral("LabeledEdit2"), QStringLiteral("Area:"));
    LabeledEdit3 = AddLabeledEdit(*parts, QStringLiteral("LabeledEdit3"),
                                  QStringLiteral("Local number:"));
    outside->addLayout(parts);
    grid->addWidget(Panel2, 2, 0, 1, 3);
    layout->addWidget(GroupBox1);
    EnableMode(true);

    const DialogButtonPair buttons = AddDialogButtons(*layout, QStringLiteral("Cancel"));
    BitBtn2 = buttons.ok;
    BitBtn3 = buttons.cancel;
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));

    connect(BitBtn2, &QPushButton::clicked, this, &TDialForm::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TDialForm::BitBtn3Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TDialForm::BitBtn1Click);
    connect(RadioButton1, &QRadioButton::clicked, this, &TDialForm::RadioButton1Click);
    connect(RadioButton2, &QRadioButton::clicked, this, &TDialForm::RadioButton2Click);
    MaskEdit1->setFocus(Qt::OtherFocusReason);
}

void TDialForm::BitBtn2Click()
{
    if (RadioButton1->isChecked()) {
        std::int32_t number = 0;
        try {
            number = decimalToInt32(MaskEdit1->text());
        } catch (const std::exception& error) {
            ui::HandleApplicationException(MaskEdit1, error);
            return;
        }
        number_ = number;
        // Anything else is no subscriber: the dialog stays open without a word.
        if (number < 1 || number > LastDialableClientID)
            return;
        accept();
        return;
    }
    number_ = LastDialableClientID + SpinEdit1->value();
    if (RadioButton3->isChecked()) {
        localNumber_.clear();  // only the line's time slots are asked for
    } else {
        countryCode_ = LabeledEdit1->text();
        areaCode_ = LabeledEdit2->text();
        localNumber_ = LabeledEdit3->text();
    }
    accept();
}

void TDialForm::BitBtn3Click()
{
    reject();
}

void TDialForm::BitBtn1Click()
{
    TContForm contacts(number_, contacts_, contactsFile_, this);
    if (ui::ExecForm(contacts) != QDialog::Accepted)
        return;
    // A number the three-digit field cannot hold is not cut to one it can: the field keeps
    // its text and says the number is no Client ID.
    const QString chosen = QString::number(number_);
    if (number_ < 0 || chosen.size() > MaskEdit1->editMask().digitCount()) {
        ui::HandleApplicationException(MaskEdit1, ui::MaskInputError());
        return;
    }
    MaskEdit1->setText(chosen);
}

void TDialForm::RadioButton1Click()
{
    EnableMode(true);
}

void TDialForm::RadioButton2Click()
{
    EnableMode(false);
}

void TDialForm::EnableMode(bool clientIdMode)
{
    MaskEdit1->setEnabled(clientIdMode);
    BitBtn1->setEnabled(clientIdMode);
    for (QWidget* outsideControl : std::initializer_list<QWidget*>{
             SpinEdit1, RadioButton3, RadioButton4, LabeledEdit1, LabeledEdit2, LabeledEdit3})
        outsideControl->setEnabled(!clientIdMode);
}

DialChoice RunDialForm(QStringList& contacts, const QString& contactsFile, QWidget* owner)
{
    std::int32_t number = 0;
    DialChoice choice;
    TDialForm form(number, contacts, choice.countryCode, choice.areaCode, choice.localNumber,
                   contactsFile, owner);
    if (ui::ExecForm(form) != QDialog::Accepted)
        return {};
    choice.cancelled = false;
    choice.number = number;
    choice.outsideLine = isOutsideLine(number);
    return choice;
}

}  // namespace parlino
