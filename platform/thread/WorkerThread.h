// A worker thread: created suspended, started by resume(), asked to end by terminate() and
// waited for by waitFor() on the main thread.
//
// Execute() runs the thread's loop and checks terminated() once per pass. The thread talks
// to the main thread only through Synchronize(), which blocks it until the main thread has
// run the call. The main thread's waitFor() keeps serving those calls, so a thread blocked
// in Synchronize() can always finish while the main thread waits for it.
//
// Errors: runGuardedPass() runs one pass of the loop and catches everything it raises; unless
// it is the silent AbortError, ShowThreadException() hands its text to the error hook on the
// main thread, and the loop goes on. The hook is the program's error display, installed by
// whoever creates the thread; it must not block. Without one the error goes to standard error.
//
// Suspension is cooperative: suspend() stops the thread at its next pass (runGuardedPass)
// or suspensionPoint(), never while it is inside a pass, so it never stops holding a lock.
#pragma once

#include <QString>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace parlino {

class WorkerThread {
public:
    WorkerThread() = default;
    // Asks the thread to end and waits for it (main thread); a thread that was never
    // resumed never runs. A derived class must call terminateAndWait() in its own
    // destructor, since Execute() uses its members; this one is only the last guard.
    virtual ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts the thread the first time; later calls wake it from suspension.
    void resume();
    // The thread stops at its next suspension point until resumed or asked to terminate.
    void suspend();
    bool suspended() const { return suspended_.load(); }

    // Asks the loop to end; also wakes a suspended thread so that it can.
    void terminate();
    bool terminated() const { return terminated_.load(); }

    // Main thread: waits until Execute() has returned and the terminate notification has
    // run, serving the worker threads' synchronous calls meanwhile. `timeoutMs` negative
    // waits without limit. Returns whether the thread has ended (true also when it was
    // never started).
    bool waitFor(int timeoutMs = -1);
    void terminateAndWait();
    bool finished() const { return finished_.load(); }

    // Run on the main thread once Execute() has returned (through a synchronous call).
    void setOnTerminate(std::function<void()> onTerminate);

    // Receives the text of every error a pass raised, on the main thread. Set before resume().
    using ErrorHook = std::function<void(const QString& text)>;
    void setErrorHook(ErrorHook hook);

protected:
    // The thread's loop; runs on the worker thread.
    virtual void Execute() = 0;

    // Runs `call` on the main thread and waits until it has run.
    void Synchronize(const std::function<void()>& call);

    // Blocks while the thread is suspended; returns at once when it is asked to terminate.
    void suspensionPoint();

    // Pauses the thread for `ms` milliseconds, or less when it is asked to terminate.
    void sleepUnlessTerminated(int ms);

    // One pass of the loop: waits while suspended, runs `pass`, and shows whatever it
    // raised (but the silent abort) on the main thread before returning.
    void runGuardedPass(const std::function<void()>& pass);

    // Main thread: shows the error that ended the current pass through the error hook.
    virtual void ShowThreadException();

    // The error being shown; set only while ShowThreadException runs.
    std::exception_ptr caughtException() const { return caughtException_; }

private:
    void threadMain();
    void reportError(std::exception_ptr error);

    std::thread thread_;
    std::atomic<bool> started_{false};
    std::atomic<bool> terminated_{false};
    std::atomic<bool> suspended_{false};
    std::atomic<bool> finished_{false};
    std::mutex suspendMutex_;
    std::condition_variable suspendChanged_;
    std::function<void()> onTerminate_;
    ErrorHook errorHook_;
    std::exception_ptr caughtException_;
};

}  // namespace parlino
