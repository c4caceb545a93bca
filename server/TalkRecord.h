// One talk in progress, as the operator window keeps it from its start to its end.
#pragma once

#include "common/AccountNumbers.h"
#include "platform/dataset/Dataset.h"
#include "server/CriticalFix.h"
#include "server/relay/ZeltListenerUnit1.h"

#include <cstdint>

namespace parlino {

struct TTalkRecord {
    std::int32_t Payer = 0;        // the caller, the only party charged
    std::int32_t Peer = 0;         // the called party
    std::int32_t MinutePhase = 0;  // SecondCounter at the start: a minute is charged when it comes round
    std::int32_t IdleSeconds = 0;  // consecutive ticks without a voice packet from the payer
    // The two parties' current-day log rows of this talk. Valid only while the owner's users
    // row is the current one: move the users table to the party before using them.
    dataset::Bookmark PayerLogRow;
    dataset::Bookmark PeerLogRow;
};

}  // namespace parlino
