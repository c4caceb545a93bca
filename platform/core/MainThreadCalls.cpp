#include "platform/core/MainThreadCalls.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace parlino::MainThreadCalls {

namespace {

struct PendingCall {
    std::function<void()> call;
    std::exception_ptr error;
    bool done = false;
};

// Statics are initialised on the main thread before main() runs.
const std::thread::id mainThreadId = std::this_thread::get_id();

struct CallQueue {
    std::mutex mutex;
    // Signalled when a call is queued or a waited-for condition may have changed
    // (main thread waits), and when a call has run (workers wait).
    std::condition_variable changed;
    std::deque<std::shared_ptr<PendingCall>> calls;
};

CallQueue& Queue()
{
    static CallQueue queue;
    return queue;
}

void RunOne(const std::shared_ptr<PendingCall>& pending)
{
    try {
        pending->call();
    } catch (...) {
        pending->error = std::current_exception();
    }
    CallQueue& queue = Queue();
    {
        std::lock_guard lock(queue.mutex);
        pending->done = true;
    }
    queue.changed.notify_all();
}

}  // namespace

bool IsMainThread()
{
    return std::this_thread::get_id() == mainThreadId;
}

void Run(const std::function<void()>& call)
{
    if (IsMainThread()) {
        call();
        return;
    }
    auto pending = std::make_shared<PendingCall>();
    pending->call = call;
    CallQueue& queue = Queue();
    {
        std::lock_guard lock(queue.mutex);
        queue.calls.push_back(pending);
    }
    queue.changed.notify_all();
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] { ServePending(); }, Qt::QueuedConnection);

    std::unique_lock lock(queue.mutex);
    queue.changed.wait(lock, [&] { return pending->done; });
    lock.unlock();
    if (pending->error)
        std::rethrow_exception(pending->error);
}

int ServePending()
{
    CallQueue& queue = Queue();
    int served = 0;
    for (;;) {
        std::shared_ptr<PendingCall> next;
        {
            std::lock_guard lock(queue.mutex);
            if (queue.calls.empty())
                return served;
            next = std::move(queue.calls.front());
            queue.calls.pop_front();
        }
        RunOne(next);
        ++served;
    }
}

bool ServeUntil(const std::function<bool()>& done, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    CallQueue& queue = Queue();
    for (;;) {
        ServePending();
        std::unique_lock lock(queue.mutex);
        const auto ready = [&] { return !queue.calls.empty() || done(); };
        if (timeoutMs < 0) {
            queue.changed.wait(lock, ready);
        } else if (!queue.changed.wait_until(lock, deadline, ready)) {
            return false;
        }
        if (queue.calls.empty())
            return true;  // done() held and nothing is left to serve
    }
}

void Wake()
{
    CallQueue& queue = Queue();
    { std::lock_guard lock(queue.mutex); }
    queue.changed.notify_all();
}

}  // namespace parlino::MainThreadCalls
