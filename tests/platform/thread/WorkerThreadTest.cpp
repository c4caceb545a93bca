#include "platform/core/MainThreadCalls.h"
#include "platform/thread/AbortError.h"
#include "platform/thread/WorkerThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace parlino {
namespace {

constexpr int EndWithinMs = 5000;

QCoreApplication& App()
{
    static int argc = 1;
    static char name[] = "platform_thread_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// A worker whose loop runs the given passes, then keeps passing until told to end.
class ScriptedThread : public WorkerThread {
public:
    explicit ScriptedThread(std::function<void(ScriptedThread&, int)> pass) : pass_(std::move(pass)) {}
    ~ScriptedThread() override { terminateAndWait(); }

    using WorkerThread::Synchronize;
    std::atomic<int> passes{0};

protected:
    void Execute() override
    {
        for (int round = 0; !terminated() && round < 100000; ++round)
            runGuardedPass([&] { pass_(*this, passes++); });
    }

private:
    std::function<void(ScriptedThread&, int)> pass_;
};

// Lets a test hold a worker inside a pass and know where it is.
class Gate {
public:
    void open()
    {
        { std::lock_guard lock(mutex_); open_ = true; }
        changed_.notify_all();
    }
    bool waitOpen(int ms = EndWithinMs)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

TEST(WorkerThread, SynchronousCallIsServedWhileTheMainThreadWaitsForTheEnd)
{
    App();
    bool ranOnMain = false;
    ScriptedThread thread([&](ScriptedThread& self, int) {
        self.Synchronize([&] { ranOnMain = MainThreadCalls::IsMainThread(); });
        self.terminate();
    });
    thread.resume();
    // No event loop runs here: only the wait itself can serve the call.
    ASSERT_TRUE(thread.waitFor(EndWithinMs));
    EXPECT_TRUE(ranOnMain);
    EXPECT_TRUE(thread.finished());
}

TEST(WorkerThread, SynchronousCallIsServedByTheEventLoop)
{
    App();
    std::atomic<bool> served{false};
    QEventLoop loop;
    ScriptedThread thread([&](ScriptedThread& self, int pass) {
        if (pass == 0)
            self.Synchronize([&] {
                served = MainThreadCalls::IsMainThread();
                loop.quit();
            });
        self.terminate();
    });
    thread.resume();
    QTimer::singleShot(EndWithinMs, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(served.load());
    ASSERT_TRUE(thread.waitFor(EndWithinMs));
}

TEST(WorkerThread, ErrorsAreShownOnTheMainThreadAndTheLoopGoesOn)
{
    App();
    std::vector<QString> shown;
    bool allOnMain = true;
    ScriptedThread thread([&](ScriptedThread& self, int pass) {
        if (pass == 0)
            throw std::runtime_error("Socket failed");
        if (pass == 1)
            throw AbortError();
        if (pass == 2)
            throw 42;
        self.terminate();
    });
    thread.setErrorHook([&](const QString& text) {
        allOnMain = allOnMain && MainThreadCalls::IsMainThread();
        shown.push_back(text);
    });
    thread.resume();
    ASSERT_TRUE(thread.waitFor(EndWithinMs));
    EXPECT_EQ(thread.passes.load(), 4);
    EXPECT_EQ(shown, (std::vector<QString>{"Socket failed", "Unknown error"}));
    EXPECT_TRUE(allOnMain);
}

TEST(WorkerThread, TerminateNotificationRunsOnTheMainThreadBeforeTheWaitEnds)
{
    App();
    bool notifiedOnMain = false;
    int passesSeen = -1;
    ScriptedThread thread([](ScriptedThread& self, int) { self.terminate(); });
    thread.setOnTerminate([&] {
        notifiedOnMain = MainThreadCalls::IsMainThread();
        passesSeen = thread.passes.load();
    });
    thread.resume();
    ASSERT_TRUE(thread.waitFor(EndWithinMs));
    EXPECT_TRUE(notifiedOnMain);
    EXPECT_EQ(passesSeen, 1);
}

TEST(WorkerThread, CreatedSuspendedAndNeverResumedNeverRuns)
{
    App();
    bool ran = false;
    {
        ScriptedThread thread([&](ScriptedThread& self, int) {
            ran = true;
            self.terminate();
        });
        EXPECT_TRUE(thread.waitFor(0));
    }
    EXPECT_FALSE(ran);
}

TEST(WorkerThread, SuspendedThreadStopsBetweenPassesUntilResumedOrTerminated)
{
    App();
    Gate inFirstPass, leaveFirstPass, inSecondPass;
    ScriptedThread thread([&](ScriptedThread&, int pass) {
        if (pass == 0) {
            inFirstPass.open();
            leaveFirstPass.waitOpen();
        } else if (pass == 1) {
            inSecondPass.open();
        }
    });
    thread.resume();
    ASSERT_TRUE(inFirstPass.waitOpen());
    thread.suspend();
    leaveFirstPass.open();
    // Suspended: the second pass must not begin within a generous while.
    EXPECT_FALSE(inSecondPass.waitOpen(200));
    EXPECT_EQ(thread.passes.load(), 1);
    thread.resume();
    ASSERT_TRUE(inSecondPass.waitOpen());

    thread.suspend();
    thread.terminate();  // must wake the suspended thread so that it can end
    EXPECT_TRUE(thread.waitFor(EndWithinMs));
}

}  // namespace
}  // namespace parlino
