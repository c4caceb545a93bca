// The fixed sizes and waits of the softphone's voice path. The waits follow from the packet
// size: one packet is 120 ms of sound at 8000 samples per second.
#pragma once

#include "common/ZeltUtils.h"

#include <cstdint>

namespace parlino {

// Sample width of the voice path: 8-bit mu-law throughout.
inline constexpr bool WideSamples = false;
// Slots of the jitter store; a power of two, since a slot is chosen as sequence and (count - 1).
inline constexpr int JitterSlotCount = 2;
// A first datagram this many packets (10 s worth) or more away from the playback position
// does not synchronise the store.
inline constexpr int SyncWindow = (8000 / SamplesPerPacket) * 10;
// A datagram younger than this on the call clock is always stored.
inline constexpr double MaxVoiceAgeSeconds = 0.24;

inline constexpr int SendWriteWaitMs = SamplesPerPacket >> 3;       // 120
inline constexpr int ReceiveFirstWaitMs = SamplesPerPacket >> 2;    // 240
inline constexpr int ReceiveNextWaitMs = SamplesPerPacket >> 5;     // 30
inline constexpr int WaveInWaitMs = 10000;
inline constexpr int WaveOutWaitMs = 59000;
// The longest a refill waits for the placement of a datagram that has already arrived.
inline constexpr int ArrivedDatagramWaitMs = 10;
inline constexpr int ReceiveBufferSize = 8192;

}  // namespace parlino
