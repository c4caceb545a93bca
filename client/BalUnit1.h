// The Balance dialog: ask for the balance, or pay with a PIN card. On OK it writes the
// choice back through the caller's variables.
#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace parlino {

class TBal_Form : public QDialog {
    Q_OBJECT
public:
    // Sets the caller's pay flag to false and empties its PIN.
    TBal_Form(bool& pay, QString& pin, QWidget* owner = nullptr);

    void RadioButton1Click();
    void RadioButton2Click();
    void BitBtn1Click();
    void BitBtn2Click();

    QRadioButton* RadioButton1;  // "Request"
    QRadioButton* RadioButton2;  // "Pay"
    QLineEdit* LabeledEdit1;     // "PIN-code:"
    QPushButton* BitBtn1;        // "OK"
    QPushButton* BitBtn2;        // "Cancel"

private:
    bool& pay_;
    QString& pin_;
};

}  // namespace parlino
