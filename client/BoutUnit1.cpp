#include "client/BoutUnit1.h"

#include "client/JpegPicture.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>

namespace parlino {

namespace {
QPixmap AboutPicture()
{
    QFile file(QStringLiteral(":/about.jpg"));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "About box: the picture resource is missing\n");
        return {};
    }
    try {
        return QPixmap::fromImage(DecodeJpeg(file.readAll()));
    } catch (const JpegError& error) {
        std::fprintf(stderr, "About box: %s\n", error.what());
        return {};
    }
}
}  // namespace

TBoutForm::TBoutForm(QWidget* owner)
    : QDialog(owner), Image1(new QLabel(this)),
      Label1(new QLabel(QStringLiteral("<b>Parlino Client</b>"), this)),
      Label2(new QLabel(QStringLiteral("The softphone of the Parlino internet-telephony service.\n"
                                       "Version %1")
                            .arg(QStringLiteral(PARLINO_VERSION)),
                        this)),
      BitBtn1(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("BoutForm"));
    setWindowTitle(QStringLiteral("About Parlino Client"));
    Image1->setObjectName(QStringLiteral("Image1"));
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    Image1->setPixmap(AboutPicture());
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(Label1);
    text->addWidget(Label2);
    text->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(Image1);
    top->addLayout(text);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace parlino
