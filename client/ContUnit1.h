// The Contacts dialog: the subscriber's named contacts in a Name/Client ID grid, kept in
// "contacts.txt", and the contact picked for a call.
//
// Made and shown modally (ui::ExecForm) by the menu's "&Contacts..." and by the Dialing
// dialog's "Contacts". "OK" writes the file, replaces the caller's list and gives the
// current row's Client ID (0 when no row is current) to the caller's number; a bad Client ID
// in that row or a file that cannot be written keeps the dialog open, and the caller's list,
// number and file as they were. "Cancel" changes nothing.
#pragma once

#include <QDialog>
#include <QStringList>

#include <cstdint>

class QGroupBox;
class QPushButton;

namespace parlino {

namespace ui {
class NameValueGrid;
}

class TContForm : public QDialog {
    Q_OBJECT
public:
    // Sets `number` to 0. `contactsFile` is where "OK" writes the list.
    TContForm(std::int32_t& number, QStringList& contacts,
              QString contactsFile = QStringLiteral("contacts.txt"), QWidget* owner = nullptr);

    void FormCreate();
    void BitBtn1Click();  // "Add"
    void BitBtn2Click();  // "Remove"
    void BitBtn5Click();  // "Sort"
    void BitBtn3Click();  // "OK"
    void BitBtn4Click();  // "Cancel"

    QGroupBox* GroupBox1;
    ui::NameValueGrid* ValueListEditor1;  // tag 3: "=" in a name is refused
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn5;
    QPushButton* BitBtn3;
    QPushButton* BitBtn4;

private:
    // Ends an edit still open in the grid, so that its text counts.
    void FinishGridEdit();

    std::int32_t& number_;
    QStringList& contacts_;
    QString contactsFile_;
};

}  // namespace parlino
