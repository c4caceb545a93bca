// The Change Password dialog: the old password and the new one typed twice, written back
// through the caller's variables on OK.
#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

namespace parlino {

class TChPwForm : public QDialog {
    Q_OBJECT
public:
    // Empties both of the caller's strings.
    TChPwForm(QString& oldPassword, QString& newPassword, QWidget* owner = nullptr);

    void BitBtn1Click();
    void BitBtn2Click();

    QLineEdit* LabeledEdit1;
    QLineEdit* LabeledEdit2;
    QLineEdit* LabeledEdit3;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

private:
    QString& oldPassword_;
    QString& newPassword_;
};

}  // namespace parlino
