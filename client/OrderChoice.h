// What the Order dialog's buttons do: the statuses of the rows and the new order.
//
// Rows count from 0 at the earliest slot; with n rows, slot index i is row n - 1 - i.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace parlino {

class OrderChoice {
public:
    // `slotRows` are "start-end=status" rows; orderNew starts equal to orderOld.
    OrderChoice(const QStringList& slotRows, std::int32_t orderOld, std::int32_t& orderNew);

    int rowCount() const { return static_cast<int>(keys_.size()); }
    const QString& key(int row) const { return keys_.at(static_cast<std::size_t>(row)); }
    const QString& status(int row) const { return statuses_.at(static_cast<std::size_t>(row)); }

    // The time texts of the old and the new order, "No" when there is none.
    QString oldOrderText() const { return timeText(orderOld_); }
    QString newOrderText() const { return timeText(orderNew_); }

    // Takes a free row as the new order, freeing the row chosen before. A row that is
    // reserved or already the subscriber's cannot be chosen: false, nothing changes.
    bool choose(int row);
    // Gives up the new order.
    void clear();

private:
    int rowOf(std::int32_t slotIndex) const;
    QString timeText(std::int32_t slotIndex) const;

    std::vector<QString> keys_;
    std::vector<QString> statuses_;
    std::int32_t orderOld_;
    std::int32_t& orderNew_;
};

}  // namespace parlino
