// Which talk each caller may start: a talk starts only between a caller and the party whose
// answer "A" the server relayed to it, so nobody can start a talk with a phone that never
// answered him, or that only rings. Kept by the operator window on the main thread.
#pragma once

#include "common/AccountNumbers.h"

#include <array>
#include <cstdint>

namespace parlino {

class CallAnswers {
public:
    // `answerer` answered `caller`: the server relayed the "A".
    void answered(std::int32_t answerer, std::int32_t caller);
    // `id` places a new call, cancels one or signs in anew: the answer it waits on and the
    // answers it gave are void, since its phone no longer rings for them.
    void forget(std::int32_t id);
    // True when `caller` holds the answer of `peer`. Either way the caller's answer is used
    // up: one answer starts at most one talk.
    bool take(std::int32_t caller, std::int32_t peer);

private:
    static bool hasSlot(std::int32_t id) { return id >= 1 && id <= ClientIDSlotCount; }
    // Slot caller - 1: the party whose answer the caller holds, 0 for none.
    std::array<std::int32_t, ClientIDSlotCount> answerer_{};
};

}  // namespace parlino
