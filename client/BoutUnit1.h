// The about box: the program's picture, name and purpose, and an OK button.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace parlino {

class TBoutForm : public QDialog {
    Q_OBJECT
public:
    explicit TBoutForm(QWidget* owner = nullptr);

    QLabel* Image1;  // the picture; empty when it cannot be decoded
    QLabel* Label1;
    QLabel* Label2;
    QPushButton* BitBtn1;
};

}  // namespace parlino
