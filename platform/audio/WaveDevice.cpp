#include "platform/audio/WaveDevice.h"

#include <algorithm>

namespace parlino {

const char* WaveResultText(WaveResult result)
{
    switch (result) {
    case WaveResult::Ok: return "no error";
    case WaveResult::InvalidHeader: return "the buffer has no data or is not whole samples";
    case WaveResult::NotPrepared: return "the buffer is not prepared";
    case WaveResult::StillInQueue: return "the buffer is still queued";
    case WaveResult::Closed: return "the device is closed";
    }
    return "unknown result";
}

WaveDevice::WaveDevice(Direction direction, const WaveFormat& format,
                       std::unique_ptr<WaveStream> stream, AutoResetEvent& event, std::string name)
    : direction_(direction), format_(format), name_(std::move(name)), stream_(std::move(stream)),
      event_(event)
{
    thread_ = std::thread([this] { run(); });
    event_.set();
}

WaveDevice::~WaveDevice()
{
    close();
}

std::size_t WaveDevice::queuedCount() const
{
    std::lock_guard lock(mutex_);
    return queue_.size();
}

WaveResult WaveDevice::prepareHeader(WaveHeader& header)
{
    std::lock_guard lock(mutex_);
    if (closed_)
        return WaveResult::Closed;
    if (header.flags.load() & WaveHeaderInQueue)
        return WaveResult::StillInQueue;
    if (header.data == nullptr || header.bufferLength == 0 ||
        header.bufferLength % format_.blockAlign != 0)
        return WaveResult::InvalidHeader;
    header.flags.fetch_or(WaveHeaderPrepared);
    return WaveResult::Ok;
}

WaveResult WaveDevice::unprepareHeader(WaveHeader& header)
{
    std::lock_guard lock(mutex_);
    if (closed_)
        return WaveResult::Closed;
    if (header.flags.load() & WaveHeaderInQueue)
        return WaveResult::StillInQueue;
    header.flags.fetch_and(~static_cast<std::uint32_t>(WaveHeaderPrepared));
    return WaveResult::Ok;
}

WaveResult WaveDevice::enqueue(WaveHeader& header)
{
    {
        std::lock_guard lock(mutex_);
        if (closed_ || closing_)
            return WaveResult::Closed;
        const std::uint32_t flags = header.flags.load();
        if (flags & WaveHeaderInQueue)
            return WaveResult::StillInQueue;
        if (!(flags & WaveHeaderPrepared))
            return WaveResult::NotPrepared;
        header.bytesRecorded = 0;
        header.flags.store((flags & ~static_cast<std::uint32_t>(WaveHeaderDone)) |
                           WaveHeaderInQueue);
        // A device that ran dry starts its timing afresh with this buffer.
        if (queue_.empty() && idle_ && (direction_ == Direction::Playback || capturing_)) {
            stream_->restart();
            idle_ = false;
        }
        queue_.push_back(&header);
    }
    changed_.notify_all();
    return WaveResult::Ok;
}

WaveResult WaveDevice::startCapture()
{
    {
        std::lock_guard lock(mutex_);
        if (closed_ || closing_)
            return WaveResult::Closed;
        if (capturing_)
            return WaveResult::Ok;
        capturing_ = true;
        stream_->restart();
        idle_ = queue_.empty();
    }
    changed_.notify_all();
    return WaveResult::Ok;
}

void WaveDevice::finish(WaveHeader& header)
{
    const std::uint32_t flags = header.flags.load();
    header.flags.store((flags & ~static_cast<std::uint32_t>(WaveHeaderInQueue)) | WaveHeaderDone,
                       std::memory_order_release);
}

void WaveDevice::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] {
            // While a reset is under way (interrupt_) the queue is the reset's to return.
            return closing_ ||
                (!interrupt_ && !queue_.empty() &&
                 (direction_ == Direction::Playback || capturing_));
        });
        if (closing_)
            return;
        WaveHeader* header = queue_.front();
        const std::uint64_t resets = resets_;
        transferring_ = true;
        lock.unlock();
        const std::size_t done = stream_->transfer(header->data, header->bufferLength, interrupt_);
        lock.lock();
        transferring_ = false;
        if (resets_ == resets && !interrupt_) {
            queue_.pop_front();
            if (direction_ == Direction::Capture)
                header->bytesRecorded = static_cast<std::uint32_t>(done);
            finish(*header);
            idle_ = queue_.empty();
            event_.set();
        } else {
            // reset() is waiting to return this buffer with what it holds.
            if (direction_ == Direction::Capture)
                header->bytesRecorded = static_cast<std::uint32_t>(done);
            headCutShort_ = true;
        }
        changed_.notify_all();
    }
}

void WaveDevice::stopLocked(std::unique_lock<std::mutex>& lock)
{
    ++resets_;
    interrupt_ = true;
    stream_->wakeUp();
    changed_.wait(lock, [this] { return !transferring_; });
    // A buffer whose time had begun but which the device thread had not taken up yet gets
    // what the device would have done with it by now (the stream answers at once, since
    // interrupt_ is set).
    const bool running = direction_ == Direction::Playback || capturing_;
    if (running && !idle_ && !queue_.empty() && !headCutShort_) {
        WaveHeader& head = *queue_.front();
        const std::size_t done = stream_->transfer(head.data, head.bufferLength, interrupt_);
        if (direction_ == Direction::Capture)
            head.bytesRecorded = static_cast<std::uint32_t>(done);
    }
    headCutShort_ = false;
    interrupt_ = false;
    const bool returned = !queue_.empty();
    for (WaveHeader* header : queue_)
        finish(*header);
    queue_.clear();
    capturing_ = false;
    idle_ = true;
    stream_->drop();
    if (returned)
        event_.set();
}

WaveResult WaveDevice::reset()
{
    std::unique_lock lock(mutex_);
    if (closed_ || closing_)
        return WaveResult::Closed;
    stopLocked(lock);
    return WaveResult::Ok;
}

WaveResult WaveDevice::close()
{
    {
        std::unique_lock lock(mutex_);
        if (closed_ || closing_)
            return WaveResult::Closed;
        stopLocked(lock);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
    {
        std::lock_guard lock(mutex_);
        stream_.reset();
        closed_ = true;
    }
    event_.set();
    return WaveResult::Ok;
}

}  // namespace parlino
