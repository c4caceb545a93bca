#include "platform/ui/NestedGridPopup.h"

#include "platform/ui/DataGrid.h"

#include <QEvent>
#include <QVBoxLayout>

namespace parlino::ui {

NestedGridPopup::NestedGridPopup(dataset::Dataset* nested, QWidget* owner)
    : QWidget(owner, Qt::Tool), grid_(new DataGrid(this))
{
    setWindowTitle(nested ? QString::fromLatin1(nested->Name()) : QString());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid_);
    grid_->SetDataset(nested);
}

NestedGridPopup::~NestedGridPopup() = default;

void NestedGridPopup::ShowAt(const QPoint& topLeft)
{
    move(topLeft);
    ShowAgain();
}

void NestedGridPopup::ShowAgain()
{
    show();
    raise();
    activateWindow();
}

bool NestedGridPopup::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        emit activated();
    return QWidget::event(event);
}

}  // namespace parlino::ui
