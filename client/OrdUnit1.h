// The Order dialog of an outside line: the line's 10-minute slots with their status, the
// subscriber's old order and the new one being chosen. The caller sets the caption.
#pragma once

#include "client/OrderChoice.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace parlino {

namespace ui {
class NameValueGrid;
}

class TOrd_Form : public QDialog {
    Q_OBJECT
public:
    // Sets orderNew equal to orderOld; the choices made are written to it as they are made.
    TOrd_Form(std::int32_t orderOld, std::int32_t& orderNew, const QStringList& slotRows,
              QWidget* owner = nullptr);

    void FormCreate();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();

    ui::NameValueGrid* StringGrid1;  // "Time" and "Status"
    QPushButton* BitBtn1;            // "Choose"
    QPushButton* BitBtn2;            // "Clear"
    QLabel* Label3;                  // the old order's time, or "No"
    QLabel* Label4;                  // the new order's time, or "No"
    QPushButton* BitBtn3;            // "OK"
    QPushButton* BitBtn4;            // "Cancel"

private:
    void showStatuses();

    OrderChoice choice_;
};

}  // namespace parlino
