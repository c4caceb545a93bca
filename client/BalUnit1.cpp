#include "client/BalUnit1.h"

#include "client/DialogParts.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace parlino {

namespace {
// The digits of a card's PIN, all of which the field shows.
constexpr int PinDigits = 20;
}  // namespace

TBal_Form::TBal_Form(bool& pay, QString& pin, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowStaysOnTopHint), pay_(pay), pin_(pin)
{
    pay_ = false;
    pin_.clear();
    setWindowTitle(QStringLiteral("Balance"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("Balance"));
    layout->addWidget(group);
    auto* groupLayout = new QVBoxLayout(group);
    RadioButton1 = new QRadioButton(QStringLiteral("Request"));
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton2 = new QRadioButton(QStringLiteral("Pay"));
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    groupLayout->addWidget(RadioButton1);
    groupLayout->addWidget(RadioButton2);
    auto* fields = new QFormLayout;
    groupLayout->addLayout(fields);
    LabeledEdit1 = AddLabeledEdit(*fields, QStringLiteral("LabeledEdit1"),
                                  QStringLiteral("PIN-code:"));
    FitDigits(*LabeledEdit1, PinDigits);
    const DialogButtonPair buttons = AddDialogButtons(*layout, QStringLiteral("Cancel"));
    BitBtn1 = buttons.ok;
    BitBtn2 = buttons.cancel;

    RadioButton1->setChecked(true);
    LabeledEdit1->setEnabled(false);
    // Tab order: the choice, the PIN, then the buttons.
    setTabOrder(RadioButton1, RadioButton2);
    setTabOrder(RadioButton2, LabeledEdit1);
    setTabOrder(LabeledEdit1, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);

    connect(RadioButton1, &QRadioButton::clicked, this, &TBal_Form::RadioButton1Click);
    connect(RadioButton2, &QRadioButton::clicked, this, &TBal_Form::RadioButton2Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TBal_Form::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TBal_Form::BitBtn2Click);
}

void TBal_Form::RadioButton1Click()
{
    LabeledEdit1->setEnabled(false);
}

void TBal_Form::RadioButton2Click()
{
    LabeledEdit1->setEnabled(true);
    LabeledEdit1->setFocus();
}

void TBal_Form::BitBtn1Click()
{
    pay_ = !RadioButton1->isChecked();
    if (pay_)
        pin_ = LabeledEdit1->text();
    accept();
}

void TBal_Form::BitBtn2Click()
{
    reject();
}

}  // namespace parlino
