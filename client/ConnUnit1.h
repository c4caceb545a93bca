// The Connection dialog: where to connect, the Client ID and the password, confirmed before
// every connection attempt. The results go back through the caller's variables.
#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace parlino {

namespace ui {
class MaskEdit;
}

class TConnForm : public QDialog {
    Q_OBJECT
public:
    // Keeps the references, then sets the UDP base and max to "0", the socket count to "8"
    // and empties both passwords. selectedIndex: 0 IP address, 1 host name.
    TConnForm(QString& hostName, QString& ipAddress, int& selectedIndex, QString& tcpPort,
              QString& udpBase, QString& udpMax, QString& socketCount, QString& clientId,
              QString& password, QString& newPassword, QWidget* owner = nullptr);

    void FormCreate();
    void BitBtn1Click();  // "OK"
    void BitBtn2Click();  // "Exit"
    void BitBtn3Click();  // "Change"
    void BitBtn4Click();  // "More >>"

    QRadioButton* RadioButton1;
    ui::MaskEdit* MaskEdit1;
    ui::MaskEdit* MaskEdit2;
    ui::MaskEdit* MaskEdit3;
    ui::MaskEdit* MaskEdit4;
    QRadioButton* RadioButton2;
    QLineEdit* Edit1;
    QComboBox* ComboBox1;
    QPushButton* BitBtn4;
    QLineEdit* LabeledEdit2;
    QLineEdit* LabeledEdit3;
    QPushButton* BitBtn3;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

private:
    // The address and the port settings from the fields, as OK takes them. False when an
    // octet is incomplete; the mask error has then been raised.
    bool TakeServerFields();

    QString& hostName_;
    QString& ipAddress_;
    int& selectedIndex_;
    QString& tcpPort_;
    QString& udpBase_;
    QString& udpMax_;
    QString& socketCount_;
    QString& clientId_;
    QString& password_;
    QString& newPassword_;
};

}  // namespace parlino
