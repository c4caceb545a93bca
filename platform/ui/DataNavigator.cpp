#include "platform/ui/DataNavigator.h"

#include "platform/dataset/DatasetErrors.h"
#include "platform/ui/Dialogs.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QToolButton>

namespace parlino::ui {

namespace {
struct ButtonLook {
    const char* glyph;
    const char* hint;
};

constexpr std::array<ButtonLook, NavigateButtonCount> Looks{{
    {"|\u25C0", "First record"},
    {"\u25C0", "Prior record"},
    {"\u25B6", "Next record"},
    {"\u25B6|", "Last record"},
    {"+", "Insert record"},
    {"\u2212", "Delete record"},
    {"\u25B2", "Edit record"},
    {"\u2714", "Post edit"},
    {"\u2716", "Cancel edit"},
    {"\u21BB", "Refresh data"},
}};

int Slot(NavigateButton which)
{
    return static_cast<int>(which);
}
}  // namespace

DataNavigator::DataNavigator(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int slot = 0; slot < NavigateButtonCount; ++slot) {
        auto* button = new QToolButton(this);
        button->setText(QString::fromUtf8(Looks[slot].glyph));
        button->setToolTip(QString::fromUtf8(Looks[slot].hint));
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(button);
        const auto which = static_cast<NavigateButton>(slot);
        connect(button, &QToolButton::clicked, this, [this, which] { Click(which); });
        buttons_[slot] = button;
    }
    UpdateButtons();
}

DataNavigator::~DataNavigator()
{
    if (dataset_)
        dataset_->RemoveListener(this);
}

void DataNavigator::SetDataset(dataset::Dataset* dataset)
{
    if (dataset == dataset_)
        return;
    if (dataset_)
        dataset_->RemoveListener(this);
    dataset_ = dataset;
    if (dataset_)
        dataset_->AddListener(this);
    UpdateButtons();
}

QToolButton* DataNavigator::Button(NavigateButton which) const
{
    return buttons_[Slot(which)];
}

void DataNavigator::Click(NavigateButton which)
{
    if (!isEnabled() || !Button(which)->isEnabled())
        return;
    try {
        Act(which);
    } catch (const dataset::SilentAbort&) {
        // Already told to the operator by whoever refused.
    } catch (const std::exception& error) {
        ShowError(QString::fromStdString(error.what()));
    }
    UpdateButtons();
    emit clicked(which);
}

void DataNavigator::Act(NavigateButton which)
{
    dataset::Dataset& table = *dataset_;
    switch (which) {
    case NavigateButton::First: table.First(); break;
    case NavigateButton::Prior: table.Prior(); break;
    case NavigateButton::Next: table.Next(); break;
    case NavigateButton::Last: table.Last(); break;
    case NavigateButton::Insert: table.Insert(); break;
    case NavigateButton::Delete:
        if (ConfirmDeleteRecord())
            table.Delete();
        break;
    case NavigateButton::Edit: table.Edit(); break;
    case NavigateButton::Post: table.Post(); break;
    case NavigateButton::Cancel: table.Cancel(); break;
    case NavigateButton::Refresh: table.Refresh(); break;
    }
}

void DataNavigator::UpdateButtons()
{
    const bool open = dataset_ && dataset_->Active() && !dataset_->ViewsFrozen();
    const bool editing = open && dataset_->State() != dataset::DatasetState::Browse;
    const bool browsing = open && !editing;
    const bool hasRows = open && !dataset_->IsEmpty();
    const bool atFirst = !hasRows || dataset_->Position() <= 0;
    const bool atLast = !hasRows || dataset_->Position() >= dataset_->RecordCount() - 1;

    auto set = [this](NavigateButton which, bool enabled) { Button(which)->setEnabled(enabled); };
    set(NavigateButton::First, open && !atFirst);
    set(NavigateButton::Prior, open && !atFirst);
    set(NavigateButton::Next, open && !atLast);
    set(NavigateButton::Last, open && !atLast);
    set(NavigateButton::Insert, open);
    set(NavigateButton::Delete, hasRows);
    set(NavigateButton::Edit, browsing && hasRows);
    set(NavigateButton::Post, editing);
    set(NavigateButton::Cancel, editing);
    set(NavigateButton::Refresh, browsing);
}

void DataNavigator::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        UpdateButtons();
    QWidget::changeEvent(event);
}

void DataNavigator::DatasetDestroyed(dataset::Dataset&)
{
    dataset_ = nullptr;
    UpdateButtons();
}

}  // namespace parlino::ui
