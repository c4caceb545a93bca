// Wave-in (capture) and wave-out (playback) devices.
//
// How a voice thread uses them (every call is safe from any thread):
//   - open through WaveAudio with the voice format and an AutoResetEvent; the device sets
//     the event once on open, after every finished buffer and once on close;
//   - prepareHeader() each buffer (data, bufferLength, flags 0), then hand it over:
//     WaveInDevice::addBuffer() queues it for capture, WaveOutDevice::write() for playback;
//   - buffers are finished strictly in the order they were handed over; a finished buffer has
//     WaveHeaderDone set (and, for capture, bytesRecorded filled in) before the event is set;
//   - capture runs only between start() and reset(); playback starts with the first write;
//   - reset() stops the device and returns every queued buffer at once, marked done, and
//     sets the event; capture then stays stopped until the next start();
//   - unprepareHeader() each buffer, then close() (the destructor closes too). close()
//     returns queued buffers like reset() first. After close() every call answers Closed.
// Several finished buffers may be announced by one wake-up of the event: look at the done
// flags. A buffer handed over while it is still queued is refused (StillInQueue).
// The event, and every header with its memory, must outlive the device (or its close()).
#pragma once

#include "platform/audio/WaveFormat.h"
#include "platform/audio/WaveHeader.h"
#include "platform/audio/WaveStream.h"
#include "platform/thread/AutoResetEvent.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace parlino {

class WaveDevice {
public:
    enum class Direction { Capture, Playback };

    // Starts the device's thread and sets `event` (the open notice). `name` says which device
    // this is in messages.
    WaveDevice(Direction direction, const WaveFormat& format, std::unique_ptr<WaveStream> stream,
               AutoResetEvent& event, std::string name);
    virtual ~WaveDevice();
    WaveDevice(const WaveDevice&) = delete;
    WaveDevice& operator=(const WaveDevice&) = delete;

    WaveResult prepareHeader(WaveHeader& header);
    WaveResult unprepareHeader(WaveHeader& header);
    WaveResult reset();
    WaveResult close();

    const std::string& name() const { return name_; }
    const WaveFormat& format() const { return format_; }
    // Buffers queued and not yet finished.
    std::size_t queuedCount() const;

protected:
    WaveResult enqueue(WaveHeader& header);
    WaveResult startCapture();

private:
    void run();
    // Under mutex_: marks `header` finished.
    void finish(WaveHeader& header);
    void stopLocked(std::unique_lock<std::mutex>& lock);

    const Direction direction_;
    const WaveFormat format_;
    const std::string name_;
    std::unique_ptr<WaveStream> stream_;
    AutoResetEvent& event_;

    // Guards everything below. Taken by the callers' operations and by the device thread
    // between transfers; never held during a transfer or while setting event_ is awaited.
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<WaveHeader*> queue_;
    bool capturing_ = false;
    bool idle_ = true;           // the stream has run dry since it last (re)started
    bool transferring_ = false;  // the device thread is inside stream_->transfer()
    bool headCutShort_ = false;  // a reset interrupted the transfer of the queue's head
    bool closing_ = false;
    bool closed_ = false;
    std::uint64_t resets_ =
        0;  // counts reset()s, so a transfer cut short by one is not finished twice
    std::atomic<bool> interrupt_{false};
    std::thread thread_;
};

class WaveInDevice : public WaveDevice {
public:
    WaveInDevice(const WaveFormat& format, std::unique_ptr<WaveStream> stream,
                 AutoResetEvent& event, std::string name)
        : WaveDevice(Direction::Capture, format, std::move(stream), event, std::move(name))
    {
    }

    WaveResult addBuffer(WaveHeader& header) { return enqueue(header); }
    WaveResult start() { return startCapture(); }
};

class WaveOutDevice : public WaveDevice {
public:
    WaveOutDevice(const WaveFormat& format, std::unique_ptr<WaveStream> stream,
                  AutoResetEvent& event, std::string name)
        : WaveDevice(Direction::Playback, format, std::move(stream), event, std::move(name))
    {
    }

    WaveResult write(WaveHeader& header) { return enqueue(header); }
};

}  // namespace parlino
