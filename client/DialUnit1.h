// The Dialing dialog: the number the Call button dials, typed as a Client ID or picked from
// the contacts. The outside-line controls are there but stay disabled: a subscriber dials
// 1 to 800 from here.
//
// The Call button uses RunDialForm(), which makes the dialog, shows it modally through
// ui::ExecForm (so tests answer it with a ui::ScopedFormResponder) and frees it.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <cstdint>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace parlino {

namespace ui {
class MaskEdit;
}

class TDialForm : public QDialog {
    Q_OBJECT
public:
    // Sets `number` to 0. The three texts are the outside number's parts, which OK fills in
    // the outside-line mode. `contacts` is the window's list, which the Contacts dialog
    // may change; `contactsFile` is where that dialog writes it.
    TDialForm(std::int32_t& number, QStringList& contacts, QString& countryCode, QString& areaCode,
              QString& localNumber, QString contactsFile = QStringLiteral("contacts.txt"),
              QWidget* owner = nullptr);

    void BitBtn2Click();       // "OK"
    void BitBtn3Click();       // "Cancel"
    void BitBtn1Click();       // "Contacts"
    void RadioButton1Click();  // "Client ID"
    void RadioButton2Click();  // "Outside phone line"

    QLabel* Panel1;
    QGroupBox* GroupBox1;
    QRadioButton* RadioButton1;
    ui::MaskEdit* MaskEdit1;  // tag 1: a bad number reads "Invalid Client_ID number"
    QPushButton* BitBtn1;
    QRadioButton* RadioButton2;
    QSpinBox* SpinEdit1;
    QFrame* Panel2;
    QRadioButton* RadioButton3;  // "Reserve time"
    QRadioButton* RadioButton4;  // "Call in reserved time"
    QLineEdit* LabeledEdit1;     // "Country:"
    QLineEdit* LabeledEdit2;     // "Area:"
    QLineEdit* LabeledEdit3;     // "Local number:"
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;

private:
    // Enables the controls of one mode and disables the other's.
    void EnableMode(bool clientIdMode);

    std::int32_t& number_;
    QStringList& contacts_;
    QString& countryCode_;
    QString& areaCode_;
    QString& localNumber_;
    QString contactsFile_;
};

// What the subscriber chose in the Dialing dialog.
struct DialChoice {
    bool cancelled = true;
    // 1 to 800: a subscriber. 801 to 899: an outside line (800 + line), never chosen while
    // the outside-line controls stay disabled.
    std::int32_t number = 0;
    bool outsideLine = false;
    // The outside number; the local number is empty when only the line's time slots are
    // asked for. Empty for a subscriber.
    QString countryCode;
    QString areaCode;
    QString localNumber;
};

// Shows the Dialing dialog modally over `owner` and gives back the choice; a cancelled
// dialog gives cancelled and number 0. `contacts` may be changed by the Contacts dialog
// opened from it, as may the file `contactsFile`. Main thread only, never from a socket or
// timer handler.
DialChoice RunDialForm(QStringList& contacts, const QString& contactsFile, QWidget* owner);

}  // namespace parlino
