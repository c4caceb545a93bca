// How many subscribers the process's open-file limit lets the server hold at once.
#pragma once

#include "platform/core/ResourceLimits.h"
#include "server/StoreLayouts.h"
#include "server/relay/VoiceSocketTables.h"

#include <QString>

namespace parlino {

// A signed-in subscriber holds his connection, one voice socket to receive and the sockets
// to send to him.
inline constexpr long DescriptorsPerSubscriber = 1 + 1 + VoiceSocketCount;
// The standard streams, the listening socket and the descriptors that sockets leave free
// for the window system and the table files.
inline constexpr long ReservedDescriptors = 15 + DescriptorHeadroom;
inline constexpr int FullHouse = LastClientID - FirstClientID + 1;

// Subscribers that fit in the limit, at most a full house; 0 for an unknown limit (< 0).
int subscriberCapacity(long openFileLimit);

// What the operator is told at start when the limit cannot hold a full house; empty when
// it can or the limit is unknown.
QString capacityWarning(long openFileLimit);

}  // namespace parlino
