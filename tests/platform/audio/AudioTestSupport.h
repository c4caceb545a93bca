// Helpers for driving wave devices on a manual clock: the devices run on their own threads,
// so a test moves the clock and then waits, bounded in real time, for what it expects.
#pragma once

#include "platform/audio/WaveDevice.h"
#include "platform/thread/Clock.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <initializer_list>
#include <thread>
#include <type_traits>
#include <vector>

namespace parlino::test {

// Polls `condition` for up to `limit` of real time.
inline bool Eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds limit = std::chrono::milliseconds(5000))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

// A buffer of `length` bytes with its header.
struct TestBuffer {
    explicit TestBuffer(std::size_t length, std::uint8_t fill = 0) : bytes(length, fill)
    {
        header.data = bytes.data();
        header.bufferLength = static_cast<std::uint32_t>(length);
    }
    TestBuffer(const TestBuffer&) = delete;
    // Copies `contents` into the buffer (which stays where the header points).
    void fill(const std::vector<std::uint8_t>& contents)
    {
        std::copy(contents.begin(), contents.end(), bytes.begin());
    }
    TestBuffer& operator=(const TestBuffer&) = delete;

    std::vector<std::uint8_t> bytes;
    WaveHeader header;
};

// Prepares each buffer on `device` and hands it over, in the order given.
template <typename Device>
void Queue(Device& device, std::initializer_list<TestBuffer*> buffers)
{
    for (TestBuffer* b : buffers) {
        device.prepareHeader(b->header);
        if constexpr (std::is_same_v<Device, WaveInDevice>)
            device.addBuffer(b->header);
        else
            device.write(b->header);
    }
}

}  // namespace parlino::test
