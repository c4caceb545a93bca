// A row of buttons that move through and edit a dataset: first, prior, next, last, insert,
// delete, edit, post, cancel, refresh. It may be bound to no dataset; its buttons are then
// all disabled. After a button has acted, clicked() reports which one.
#pragma once

#include "platform/dataset/Dataset.h"
#include "platform/dataset/DatasetListener.h"

#include <QWidget>

#include <array>

class QToolButton;

namespace parlino::ui {

enum class NavigateButton { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };
inline constexpr int NavigateButtonCount = 10;

class DataNavigator : public QWidget, private dataset::DatasetListener {
    Q_OBJECT
public:
    explicit DataNavigator(QWidget* parent = nullptr);
    ~DataNavigator() override;

    void SetDataset(dataset::Dataset* dataset);  // nullptr unbinds
    dataset::Dataset* Dataset() const { return dataset_; }

    QToolButton* Button(NavigateButton which) const;
    // Acts as a press of the button would (nothing when it is disabled), then reports it.
    void Click(NavigateButton which);

signals:
    void clicked(parlino::ui::NavigateButton which);

protected:
    void changeEvent(QEvent* event) override;

private:
    void Act(NavigateButton which);
    void UpdateButtons();

    void DataChanged(dataset::Dataset&) override { UpdateButtons(); }
    void RowChanged(dataset::Dataset&, int) override { UpdateButtons(); }
    void CursorMoved(dataset::Dataset&) override { UpdateButtons(); }
    void LayoutChanged(dataset::Dataset&) override { UpdateButtons(); }
    void StateChanged(dataset::Dataset&) override { UpdateButtons(); }
    void FreezeChanged(dataset::Dataset&, bool) override { UpdateButtons(); }
    void DatasetDestroyed(dataset::Dataset&) override;

    dataset::Dataset* dataset_ = nullptr;
    std::array<QToolButton*, NavigateButtonCount> buttons_{};
};

}  // namespace parlino::ui
