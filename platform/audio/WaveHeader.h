// A buffer handed to a wave device, and the results of the device operations.
//
// The caller owns the header and its memory. From addBuffer()/write() until the device
// marks the header done (or reset()/close() returns), the device uses both: they must stay
// where they are and the caller must not touch the data.
#pragma once

#include <atomic>
#include <cstdint>

namespace parlino {

enum WaveHeaderFlag : std::uint32_t {
    WaveHeaderDone = 0x01,      // the device has finished with the buffer
    WaveHeaderPrepared = 0x02,  // prepareHeader() accepted it
    WaveHeaderInQueue = 0x10,   // queued on a device
};

struct WaveHeader {
    std::uint8_t* data = nullptr;
    std::uint32_t bufferLength = 0;
    // Capture: bytes the device put into the buffer; set before the done flag.
    std::atomic<std::uint32_t> bytesRecorded{0};
    std::uintptr_t user = 0;
    // WaveHeaderFlag bits. The device sets WaveHeaderDone last, after the data and
    // bytesRecorded, with release order; done() reads it with acquire order.
    std::atomic<std::uint32_t> flags{0};

    bool done() const { return (flags.load(std::memory_order_acquire) & WaveHeaderDone) != 0; }
};

enum class WaveResult {
    Ok,
    InvalidHeader,  // no data or a length that is not whole samples
    NotPrepared,    // the header was not prepared on this device
    StillInQueue,   // the header is queued already (handed twice, or unprepared while queued)
    Closed,         // the device is closed
};

const char* WaveResultText(WaveResult result);

}  // namespace parlino
