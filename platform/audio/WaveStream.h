// What a wave device needs of the sound system behind it (ALSA or the emulation).
//
// A stream moves sound to or from one buffer at a time, at the pace of the device. It runs
// on the device's own thread, except where said otherwise.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace parlino {

class WaveStream {
public:
    virtual ~WaveStream() = default;

    // Captures into, or plays from, `count` bytes of `data`, returning when they are done,
    // or earlier when `interrupt` is set (then wakeUp() follows). Returns the bytes done.
    // A failure of the sound system is written to standard error, not raised.
    virtual std::size_t transfer(std::uint8_t* data, std::size_t count,
                                 const std::atomic<bool>& interrupt) = 0;

    // Any thread, under the device's lock, with no transfer() under way: the timing starts
    // afresh from now (at the start of capture, and at a write or an added buffer that finds
    // the device run dry or reset).
    virtual void restart() = 0;

    // Any thread, under the device's lock, with no transfer() under way: throws away the
    // sound still pending in the sound system (reset and close).
    virtual void drop() {}

    // Any thread: makes a transfer() under way look at its interrupt flag at once.
    virtual void wakeUp() = 0;
};

}  // namespace parlino
