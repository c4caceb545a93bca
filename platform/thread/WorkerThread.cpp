#include "platform/thread/WorkerThread.h"

#include "platform/core/ErrorText.h"
#include "platform/core/MainThreadCalls.h"
#include "platform/thread/AbortError.h"
#include "platform/thread/ThreadPriority.h"

#include <cstdio>

namespace parlino {

namespace {

bool IsSilent(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const AbortError&) {
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

WorkerThread::~WorkerThread()
{
    terminateAndWait();
}

void WorkerThread::resume()
{
    {
        std::lock_guard lock(suspendMutex_);
        suspended_ = false;
    }
    suspendChanged_.notify_all();
    if (!started_.exchange(true))
        thread_ = std::thread([this] { threadMain(); });
}

void WorkerThread::suspend()
{
    std::lock_guard lock(suspendMutex_);
    suspended_ = true;
}

void WorkerThread::terminate()
{
    {
        std::lock_guard lock(suspendMutex_);
        terminated_ = true;
    }
    suspendChanged_.notify_all();
}

bool WorkerThread::waitFor(int timeoutMs)
{
    if (!started_.load())
        return true;
    if (!MainThreadCalls::ServeUntil([this] { return finished_.load(); }, timeoutMs))
        return false;
    if (thread_.joinable())
        thread_.join();
    return true;
}

void WorkerThread::terminateAndWait()
{
    terminate();
    waitFor();
}

void WorkerThread::setOnTerminate(std::function<void()> onTerminate)
{
    onTerminate_ = std::move(onTerminate);
}

void WorkerThread::Synchronize(const std::function<void()>& call)
{
    MainThreadCalls::Run(call);
}

void WorkerThread::suspensionPoint()
{
    std::unique_lock lock(suspendMutex_);
    suspendChanged_.wait(lock, [this] { return !suspended_.load() || terminated_.load(); });
}

void WorkerThread::sleepUnlessTerminated(int ms)
{
    std::unique_lock lock(suspendMutex_);
    suspendChanged_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return terminated_.load(); });
}

void WorkerThread::runGuardedPass(const std::function<void()>& pass)
{
    suspensionPoint();
    try {
        pass();
    } catch (...) {
        reportError(std::current_exception());
    }
}

void WorkerThread::setErrorHook(ErrorHook hook)
{
    errorHook_ = std::move(hook);
}

void WorkerThread::ShowThreadException()
{
    const QString text = errorText(caughtException_);
    if (errorHook_)
        errorHook_(text);
    else
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

void WorkerThread::reportError(std::exception_ptr error)
{
    if (IsSilent(error))
        return;
    caughtException_ = error;
    try {
        Synchronize([this] { ShowThreadException(); });
    } catch (...) {
        // The error display itself failed; nothing is left to tell it to.
    }
    caughtException_ = nullptr;
}

void WorkerThread::threadMain()
{
    // A new thread inherits its creator's priority; workers run at normal priority while
    // the main thread may be raised.
    SetCurrentThreadPriority(ThreadPriority::Normal);
    try {
        Execute();
    } catch (...) {
        reportError(std::current_exception());
    }
    if (onTerminate_) {
        try {
            Synchronize(onTerminate_);
        } catch (...) {
            reportError(std::current_exception());
        }
    }
    finished_ = true;
    MainThreadCalls::Wake();
}

}  // namespace parlino
