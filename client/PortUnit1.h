// The Ports dialog: the signalling port and the voice socket settings, shown only.
#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

namespace parlino {

class TPortForm : public QDialog {
    Q_OBJECT
public:
    TPortForm(QString& tcpPort, QString& udpBase, QString& udpMax, QString& socketCount,
              QWidget* owner = nullptr);

    void BitBtn1Click();
    void BitBtn2Click();

    QLineEdit* LabeledEdit1;
    QLineEdit* LabeledEdit2;
    QLineEdit* LabeledEdit3;
    QLineEdit* LabeledEdit4;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

private:
    QString& tcpPort_;
    QString& udpBase_;
    QString& udpMax_;
    QString& socketCount_;
};

}  // namespace parlino
