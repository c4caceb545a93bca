#include "client/PortUnit1.h"

#include "client/DialogParts.h"

#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace parlino {

TPortForm::TPortForm(QString& tcpPort, QString& udpBase, QString& udpMax, QString& socketCount,
                     QWidget* owner)
    : QDialog(owner)
    , tcpPort_(tcpPort)
    , udpBase_(udpBase)
    , udpMax_(udpMax)
    , socketCount_(socketCount)
{
    setWindowTitle(QStringLiteral("Ports"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("Ports"));
    auto* fields = new QFormLayout(group);
    layout->addWidget(group);
    LabeledEdit1 = AddLabeledEdit(*fields, QStringLiteral("LabeledEdit1"), QStringLiteral("TCP (server):"));
    LabeledEdit2 = AddLabeledEdit(*fields, QStringLiteral("LabeledEdit2"), QStringLiteral("UDP (send): Base:"));
    LabeledEdit3 = AddLabeledEdit(*fields, QStringLiteral("LabeledEdit3"), QStringLiteral("Max:"));
    LabeledEdit4 = AddLabeledEdit(*fields, QStringLiteral("LabeledEdit4"), QStringLiteral("Socket count:"));
    LabeledEdit1->setText(tcpPort);
    LabeledEdit2->setText(udpBase);
    LabeledEdit3->setText(udpMax);
    LabeledEdit4->setText(socketCount);
    for (QLineEdit* edit : {LabeledEdit1, LabeledEdit2, LabeledEdit3, LabeledEdit4})
        edit->setEnabled(false);
    const DialogButtonPair buttons = AddDialogButtons(*layout, QStringLiteral("Cancel"));
    BitBtn1 = buttons.ok;
    BitBtn2 = buttons.cancel;
    connect(BitBtn1, &QPushButton::clicked, this, &TPortForm::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TPortForm::BitBtn2Click);
}

void TPortForm::BitBtn1Click()
{
    tcpPort_ = LabeledEdit1->text();
    udpBase_ = LabeledEdit2->text();
    udpMax_ = LabeledEdit3->text();
    socketCount_ = LabeledEdit4->text();
    accept();
}

void TPortForm::BitBtn2Click()
{
    reject();
}

}  // namespace parlino
