// Copying a decoded sample array out of a message's values into a jitter slot.
#pragma once

#include "common/ZeltUtils.h"

#include <cstdint>

namespace parlino {

// Copies `count` samples of the 8-bit sample array in values[index] to `destination`. Only
// selector 1 copies; a field that holds no 8-bit array, or a selector other than 1, copies
// nothing. Never reads past the array nor writes more than `count` bytes.
void CopyByteSamples(std::uint8_t* destination, int count, std::int16_t selector,
                     const MessageValues& values, int index);

// The same for a 16-bit sample array into 16-bit cells.
void CopySmallintSamples(std::int16_t* destination, int count, std::int16_t selector,
                         const MessageValues& values, int index);

}  // namespace parlino
