// The relay's view of a talk, and where it gets the talks from.
#pragma once

#include <cstdint>
#include <vector>

namespace parlino {

struct TTalkPair {
    std::int32_t Payer = 0;
    std::int32_t Peer = 0;

    bool operator==(const TTalkPair&) const = default;
};

// Implemented by the owner of the talk list (the operator window).
class TalkPairSource {
public:
    virtual ~TalkPairSource() = default;
    // Main thread: the talks in progress as (payer, peer), in talk-list order.
    virtual std::vector<TTalkPair> currentTalkPairs() const = 0;
};

}  // namespace parlino
