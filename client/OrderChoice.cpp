#include "client/OrderChoice.h"

namespace parlino {

OrderChoice::OrderChoice(const QStringList& slotRows, std::int32_t orderOld, std::int32_t& orderNew)
    : orderOld_(orderOld), orderNew_(orderNew)
{
    for (const QString& line : slotRows) {
        const qsizetype equals = line.indexOf('=');
        keys_.push_back(equals < 0 ? line : line.left(equals));
        statuses_.push_back(equals < 0 ? QString() : line.mid(equals + 1));
    }
    orderNew_ = orderOld_;
}

int OrderChoice::rowOf(std::int32_t slotIndex) const
{
    if (slotIndex < 0 || slotIndex >= rowCount())
        return -1;
    return rowCount() - 1 - slotIndex;
}

QString OrderChoice::timeText(std::int32_t slotIndex) const
{
    const int row = rowOf(slotIndex);
    return row < 0 ? QStringLiteral("No") : key(row);
}

bool OrderChoice::choose(int row)
{
    if (row < 0 || row >= rowCount() || !status(row).isEmpty())
        return false;
    clear();
    statuses_[static_cast<std::size_t>(row)] = QStringLiteral("Your time");
    orderNew_ = rowCount() - 1 - row;
    return true;
}

void OrderChoice::clear()
{
    const int row = rowOf(orderNew_);
    if (row >= 0)
        statuses_[static_cast<std::size_t>(row)].clear();
    orderNew_ = -1;
}

}  // namespace parlino
