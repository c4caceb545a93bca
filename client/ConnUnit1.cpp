#include "client/ConnUnit1.h"

#include "client/ChPwUnit1.h"
#include "client/DialogParts.h"
#include "client/PortUnit1.h"
#include "platform/ui/ControlTag.h"
#include "platform/ui/FormHook.h"
#include "platform/ui/MaskEdit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>

namespace parlino {

namespace {

// Control tag of the address octets: their mask errors read "IP address error".
constexpr int OctetTag = 2;

ui::MaskEdit* AddOctet(QHBoxLayout& row, int number, const QString& mask)
{
    auto* edit = new ui::MaskEdit;
    edit->setObjectName(QStringLiteral("MaskEdit%1").arg(number));
    edit->setEditMask(mask);
    ui::setTag(edit, OctetTag);
    row.addWidget(edit);
    // The mask's separator stands after the field: it is never part of the text.
    if (!edit->editMask().literals().isEmpty())
        row.addWidget(new QLabel(edit->editMask().literals()));
    return edit;
}

}  // namespace

TConnForm::TConnForm(QString& hostName, QString& ipAddress, int& selectedIndex, QString& tcpPort,
                     QString& udpBase, QString& udpMax, QString& socketCount, QString& clientId,
                     QString& password, QString& newPassword, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowStaysOnTopHint)
    , hostName_(hostName)
    , ipAddress_(ipAddress)
    , selectedIndex_(selectedIndex)
    , tcpPort_(tcpPort)
    , udpBase_(udpBase)
    , udpMax_(udpMax)
    , socketCount_(socketCount)
    , clientId_(clientId)
    , password_(password)
    , newPassword_(newPassword)
{
    udpBase_ = QStringLiteral("0");
    udpMax_ = QStringLiteral("0");
    socketCount_ = QStringLiteral("8");
    password_.clear();
    newPassword_.clear();

    setWindowTitle(QStringLiteral("Connection"));
    auto* layout = new QVBoxLayout(this);

    auto* server = new QGroupBox(QStringLiteral("Parlino Server"));
    auto* serverGrid = new QGridLayout(server);
    RadioButton1 = new QRadioButton(QStringLiteral("IP address"));
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setChecked(true);
    auto* octets = new QHBoxLayout;
    const QString octetWithDot = QStringLiteral("!990\\.;0;_");
    MaskEdit1 = AddOctet(*octets, 1, octetWithDot);
    MaskEdit2 = AddOctet(*octets, 2, octetWithDot);
    MaskEdit3 = AddOctet(*octets, 3, octetWithDot);
    MaskEdit4 = AddOctet(*octets, 4, QStringLiteral("!990;0;_"));
    MaskEdit1->setText(QStringLiteral("127"));
    MaskEdit2->setText(QStringLiteral("0"));
    MaskEdit3->setText(QStringLiteral("0"));
    MaskEdit4->setText(QStringLiteral("1"));
    RadioButton2 = new QRadioButton(QStringLiteral("Host name"));
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    Edit1 = new QLineEdit(QStringLiteral("localhost"));
    Edit1->setObjectName(QStringLiteral("Edit1"));
    auto* portsLabel = new QLabel(QStringLiteral("Ports:"));
    ComboBox1 = new QComboBox;
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItem(QStringLiteral("INI file"));
    ComboBox1->setCurrentIndex(0);
    portsLabel->setBuddy(ComboBox1);
    BitBtn4 = new QPushButton(QStringLiteral("More >>"));
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    serverGrid->addWidget(RadioButton1, 0, 0);
    serverGrid->addLayout(octets, 0, 1, 1, 2);
    serverGrid->addWidget(RadioButton2, 1, 0);
    serverGrid->addWidget(Edit1, 1, 1, 1, 2);
    serverGrid->addWidget(portsLabel, 2, 0);
    serverGrid->addWidget(ComboBox1, 2, 1);
    serverGrid->addWidget(BitBtn4, 2, 2);
    layout->addWidget(server);

    auto* login = new QGroupBox(QStringLiteral("Log in"));
    auto* loginLayout = new QVBoxLayout(login);
    auto* loginFields = new QFormLayout;
    loginLayout->addLayout(loginFields);
    LabeledEdit2 = AddLabeledEdit(*loginFields, QStringLiteral("LabeledEdit2"), QStringLiteral("Client ID:"));
    LabeledEdit2->setToolTip(QStringLiteral("Client ID is stored in ClientID.txt"));
    LabeledEdit3 = AddLabeledEdit(*loginFields, QStringLiteral("LabeledEdit3"), QStringLiteral("Password:"), true);
    LabeledEdit3->setToolTip(QStringLiteral("Default password is 582047"));
    BitBtn3 = new QPushButton(QStringLiteral("Change"));
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    loginLayout->addWidget(BitBtn3);
    layout->addWidget(login);

    const DialogButtonPair buttons = AddDialogButtons(*layout, QStringLiteral("Exit"));
    BitBtn1 = buttons.ok;
    BitBtn2 = buttons.cancel;

    connect(BitBtn1, &QPushButton::clicked, this, &TConnForm::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TConnForm::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TConnForm::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TConnForm::BitBtn4Click);
    FormCreate();
    // The password is what the subscriber types every time.
    LabeledEdit3->setFocus(Qt::OtherFocusReason);
}

void TConnForm::FormCreate()
{
    // One octet per field. An address with more than three dots shows its first four parts
    // only, and OK then gives those four back.
    const QStringList parts = ipAddress_.split(u'.');
    ui::MaskEdit* const fields[] = {MaskEdit1, MaskEdit2, MaskEdit3, MaskEdit4};
    for (int i = 0; i < 4; ++i)
        fields[i]->setText(i < parts.size() ? parts[i] : QString());
    Edit1->setText(hostName_);
    if (selectedIndex_ != 0)
        RadioButton2->setChecked(true);
    else
        RadioButton1->setChecked(true);
    LabeledEdit2->setText(clientId_);
}

bool TConnForm::TakeServerFields()
{
    if (RadioButton1->isChecked()) {
        for (ui::MaskEdit* octet : {MaskEdit1, MaskEdit2, MaskEdit3, MaskEdit4})
            if (!octet->validateEdit())
                return false;
        ipAddress_ = MaskEdit1->text() + u'.' + MaskEdit2->text() + u'.' + MaskEdit3->text() + u'.'
                     + MaskEdit4->text();
        selectedIndex_ = 0;
    } else {
        hostName_ = Edit1->text();
        selectedIndex_ = 1;
    }
    if (ComboBox1->currentIndex() == 0) {
        udpBase_ = QStringLiteral("0");
        udpMax_ = QStringLiteral("0");
        socketCount_ = QStringLiteral("8");
    }
    return true;
}

void TConnForm::BitBtn1Click()
{
    if (!TakeServerFields())
        return;
    clientId_ = LabeledEdit2->text();
    password_ = LabeledEdit3->text();
    accept();
}

void TConnForm::BitBtn2Click()
{
    reject();
}

void TConnForm::BitBtn3Click()
{
    TChPwForm change(password_, newPassword_, this);
    if (ui::ExecForm(change) != QDialog::Accepted)
        return;
    if (!TakeServerFields()) {
        // The dialog stays open: a later OK sends what the fields hold, no new password.
        password_.clear();
        newPassword_.clear();
        return;
    }
    clientId_ = LabeledEdit2->text();
    accept();
}

void TConnForm::BitBtn4Click()
{
    QString tcpPort = tcpPort_;
    QString udpBase = udpBase_;
    QString udpMax = udpMax_;
    QString socketCount = socketCount_;
    TPortForm ports(tcpPort, udpBase, udpMax, socketCount, this);
    if (ui::ExecForm(ports) == QDialog::Accepted) {
        tcpPort_ = tcpPort;
        udpBase_ = udpBase;
        udpMax_ = udpMax;
        socketCount_ = socketCount;
    }
}

}  // namespace parlino
