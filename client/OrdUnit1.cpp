#include "client/OrdUnit1.h"

#include "client/DialogParts.h"
#include "platform/ui/NameValueGrid.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace parlino {

namespace {

QPushButton* MakeButton(const QString& objectName, const QString& caption)
{
    auto* button = new QPushButton(caption);
    button->setObjectName(objectName);
    return button;
}

QLabel* MakeLabel(const QString& objectName, const QString& text)
{
    auto* label = new QLabel(text);
    label->setObjectName(objectName);
    return label;
}

}  // namespace

TOrd_Form::TOrd_Form(std::int32_t orderOld, std::int32_t& orderNew, const QStringList& slotRows,
                     QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowStaysOnTopHint), choice_(slotRows, orderOld, orderNew)
{
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("Order"));
    layout->addWidget(group);
    auto* groupLayout = new QGridLayout(group);
    StringGrid1 = new ui::NameValueGrid;
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->lineModel()->setTitles(QStringLiteral("Time"), QStringLiteral("Status"));
    StringGrid1->lineModel()->setKeysEditable(false);
    StringGrid1->lineModel()->setValuesEditable(false);
    groupLayout->addWidget(StringGrid1, 0, 0, 1, 4);
    BitBtn1 = MakeButton(QStringLiteral("BitBtn1"), QStringLiteral("Choose"));
    BitBtn2 = MakeButton(QStringLiteral("BitBtn2"), QStringLiteral("Clear"));
    groupLayout->addWidget(BitBtn1, 1, 0);
    groupLayout->addWidget(BitBtn2, 1, 1);
    groupLayout->addWidget(new QLabel(QStringLiteral("Old order:")), 2, 0);
    Label3 = MakeLabel(QStringLiteral("Label3"), QStringLiteral("No"));
    groupLayout->addWidget(Label3, 2, 1);
    groupLayout->addWidget(new QLabel(QStringLiteral("New order:")), 3, 0);
    Label4 = MakeLabel(QStringLiteral("Label4"), QStringLiteral("No"));
    groupLayout->addWidget(Label4, 3, 1);

    const DialogButtonPair buttons = AddDialogButtons(*layout, QStringLiteral("Cancel"));
    BitBtn3 = buttons.ok;
    BitBtn4 = buttons.cancel;
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    // Return presses OK, also from the grid; the grid does not take Tab for itself.
    StringGrid1->setTabKeyNavigation(false);

    connect(BitBtn1, &QPushButton::clicked, this, &TOrd_Form::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TOrd_Form::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TOrd_Form::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TOrd_Form::BitBtn4Click);
    FormCreate();
}

void TOrd_Form::FormCreate()
{
    QStringList lines;
    for (int row = 0; row < choice_.rowCount(); ++row)
        lines.append(choice_.key(row) + '=' + choice_.status(row));
    StringGrid1->setLines(lines);
    if (choice_.rowCount() > 0)
        StringGrid1->setCurrentRow(0);
    Label3->setText(choice_.oldOrderText());
    Label4->setText(choice_.newOrderText());
}

void TOrd_Form::showStatuses()
{
    for (int row = 0; row < choice_.rowCount(); ++row)
        StringGrid1->lineModel()->setValue(row, choice_.status(row));
    Label4->setText(choice_.newOrderText());
}

void TOrd_Form::BitBtn1Click()
{
    if (choice_.choose(StringGrid1->currentRow()))
        showStatuses();
    StringGrid1->setFocus();
}

void TOrd_Form::BitBtn2Click()
{
    choice_.clear();
    showStatuses();
    StringGrid1->setFocus();
}

void TOrd_Form::BitBtn3Click()
{
    accept();
}

void TOrd_Form::BitBtn4Click()
{
    reject();
}

}  // namespace parlino
