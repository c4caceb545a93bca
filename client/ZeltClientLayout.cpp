// Construction of the softphone window's controls, menus and timers.
#include "client/ZeltClientUnit1.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace parlino {

namespace {
QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, bool enabled)
{
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setEnabled(enabled);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption)
{
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QPlainTextEdit* MakeMemo(QWidget* parent, const char* name)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(QString::fromLatin1(name));
    memo->setReadOnly(true);
    // A line longer than the memo is wide wraps: every line is read whole at any size.
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    return memo;
}

QTimer* MakeTimer(QObject* parent, const char* name, int intervalMs)
{
    auto* timer = new QTimer(parent);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(intervalMs);
    return timer;
}

QAction* MakeAction(QObject* parent, const char* name, const char* caption)
{
    auto* action = new QAction(QString::fromLatin1(caption), parent);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}
}  // namespace

void TZeltClientForm1::CreateControls()
{
    setWindowTitle(QStringLiteral("Parlino Client"));
    auto* central = new QWidget(this);
    setCentralWidget(central);

    // Panel1: the rates, the level and the information memo.
    auto* panel1 = new QWidget(central);
    panel1->setObjectName(QStringLiteral("Panel1"));
    Label1 = MakeLabel(panel1, "Label1", "Sending frequency:");
    Label2 = MakeLabel(panel1, "Label2", "----- Hz");
    Label3 = MakeLabel(panel1, "Label3", "Receiving frequency:");
    Label4 = MakeLabel(panel1, "Label4", "----- Hz");
    Label5 = MakeLabel(panel1, "Label5", "Signal level:");
    ProgressBar1 = new QProgressBar(panel1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 5);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    const QString levelHint = QStringLiteral("Mic signal level in half-duplex mode");
    Label5->setToolTip(levelHint);
    ProgressBar1->setToolTip(levelHint);
    Memo1 = MakeMemo(panel1, "Memo1");
    // Short enough to be read whole in the memo's width.
    Memo1->setPlainText(QStringLiteral("Information\n"
                                       "News from your service, newest first.\n"
                                       "Minimised, it waits in the tray."));
    auto* figures = new QGridLayout;
    figures->addWidget(Label1, 0, 0);
    figures->addWidget(Label2, 0, 1);
    figures->addWidget(Label3, 1, 0);
    figures->addWidget(Label4, 1, 1);
    figures->addWidget(Label5, 2, 0);
    figures->addWidget(ProgressBar1, 2, 1);
    auto* panel1Layout = new QHBoxLayout(panel1);
    panel1Layout->addLayout(figures);
    panel1Layout->addWidget(Memo1, 1);

    // Panel2: the log with the talk button and "Clear".
    auto* panel2 = new QWidget(central);
    panel2->setObjectName(QStringLiteral("Panel2"));
    Memo2 = MakeMemo(panel2, "Memo2");
    SpeedButton1 = new QToolButton(panel2);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("Talk"));
    SpeedButton1->setToolTip(QStringLiteral("Half-duplex talk button"));
    SpeedButton1->setEnabled(false);
    BitBtn1 = MakeButton(panel2, "BitBtn1", "Clear", true);
    auto* logSide = new QVBoxLayout;
    logSide->addWidget(SpeedButton1);
    logSide->addStretch();
    logSide->addWidget(BitBtn1);
    auto* panel2Layout = new QHBoxLayout(panel2);
    panel2Layout->addWidget(Memo2, 1);
    panel2Layout->addLayout(logSide);

    // Panel3: the call buttons.
    auto* panel3 = new QWidget(central);
    panel3->setObjectName(QStringLiteral("Panel3"));
    BitBtn2 = MakeButton(panel3, "BitBtn2", "Balance", false);
    BitBtn3 = MakeButton(panel3, "BitBtn3", "Call", false);
    BitBtn3->setToolTip(QStringLiteral("Call/Generate DTMF"));
    BitBtn4 = MakeButton(panel3, "BitBtn4", "Drop", false);
    auto* panel3Layout = new QHBoxLayout(panel3);
    panel3Layout->addWidget(BitBtn2);
    panel3Layout->addStretch();
    panel3Layout->addWidget(BitBtn3);
    panel3Layout->addWidget(BitBtn4);

    auto* layout = new QVBoxLayout(central);
    layout->addWidget(panel1);
    layout->addWidget(panel2, 1);
    layout->addWidget(panel3);
    resize(520, 420);

    Timer1 = MakeTimer(this, "Timer1", 120);
    Timer2 = MakeTimer(this, "Timer2", 6000);
    Timer3 = MakeTimer(this, "Timer3", 1000);
}

void TZeltClientForm1::CreateMenus()
{
    Action1 = MakeAction(this, "Action1", "&Contacts...");
    Action2 = MakeAction(this, "Action2", "E&xit");
    Action3 = MakeAction(this, "Action3", "&Parlino Help");
    Action5 = MakeAction(this, "Action5", "&About...");
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(Action1);
    file->addAction(Action2);
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(Action3);
    help->addAction(Action5);
    connect(Action1, &QAction::triggered, this, &TZeltClientForm1::Action1Execute);
    connect(Action2, &QAction::triggered, this, &TZeltClientForm1::Action2Execute);
    connect(Action3, &QAction::triggered, this, &TZeltClientForm1::Action3Execute);
    connect(Action5, &QAction::triggered, this, &TZeltClientForm1::Action5Execute);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    N1 = MakeAction(PopupMenu1, "N1", "Restore");
    N2 = MakeAction(PopupMenu1, "N2", "-");
    N2->setSeparator(true);
    N2->setEnabled(false);
    N3 = MakeAction(PopupMenu1, "N3", "Exit");
    PopupMenu1->addActions({N1, N2, N3});
    PopupMenu1->setDefaultAction(N1);
    connect(N1, &QAction::triggered, this, &TZeltClientForm1::N1Click);
    connect(N3, &QAction::triggered, this, &TZeltClientForm1::N3Click);

    TrayIcon1 = new QSystemTrayIcon(this);
    TrayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
    TrayIcon1->setToolTip(QStringLiteral("Parlino Client"));
    TrayIcon1->setContextMenu(PopupMenu1);
    setWindowIcon(style()->standardIcon(QStyle::SP_MediaVolume));
    TrayIcon1->setIcon(windowIcon());
}

}  // namespace parlino
