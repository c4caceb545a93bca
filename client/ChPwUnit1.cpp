#include "client/ChPwUnit1.h"

#include "client/DialogParts.h"
#include "platform/ui/Dialogs.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace parlino {

TChPwForm::TChPwForm(QString& oldPassword, QString& newPassword, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowStaysOnTopHint)
    , oldPassword_(oldPassword)
    , newPassword_(newPassword)
{
    oldPassword_.clear();
    newPassword_.clear();
    setWindowTitle(QStringLiteral("Change Password"));
    auto* layout = new QVBoxLayout(this);
    auto* fields = new QFormLayout;
    layout->addLayout(fields);
    LabeledEdit1 = AddLabeledEdit(*fields, QStringLiteral("LabeledEdit1"), QStringLiteral("Old password:"), true);
    LabeledEdit2 = AddLabeledEdit(*fields, QStringLiteral("LabeledEdit2"), QStringLiteral("New password:"), true);
    LabeledEdit3 = AddLabeledEdit(*fields, QStringLiteral("LabeledEdit3"), QStringLiteral("New password:"), true);
    const DialogButtonPair buttons = AddDialogButtons(*layout, QStringLiteral("Cancel"));
    BitBtn1 = buttons.ok;
    BitBtn2 = buttons.cancel;
    connect(BitBtn1, &QPushButton::clicked, this, &TChPwForm::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TChPwForm::BitBtn2Click);
}

void TChPwForm::BitBtn1Click()
{
    if (LabeledEdit2->text() != LabeledEdit3->text()) {
        ui::ShowMessage(QStringLiteral("New password\r\nrepeated incorrectly"), QStringLiteral("Error"),
                        ui::DialogButtons::Ok, ui::DialogIcon::Error);
        return;
    }
    oldPassword_ = LabeledEdit1->text();
    newPassword_ = LabeledEdit2->text();
    accept();
}

void TChPwForm::BitBtn2Click()
{
    reject();
}

}  // namespace parlino
