#include "server/SubscriberCapacity.h"

#include <algorithm>

namespace parlino {

int subscriberCapacity(long openFileLimit)
{
    if (openFileLimit < ReservedDescriptors)
        return 0;
    return static_cast<int>(std::min<long>(FullHouse, (openFileLimit - ReservedDescriptors) / DescriptorsPerSubscriber));
}

QString capacityWarning(long openFileLimit)
{
    if (openFileLimit < 0)
        return {};
    const int capacity = subscriberCapacity(openFileLimit);
    if (capacity >= FullHouse)
        return {};
    return QStringLiteral("Open file limit %1: room for %2 of %3 subscribers")
        .arg(openFileLimit)
        .arg(capacity)
        .arg(FullHouse);
}

}  // namespace parlino
