// Calls that worker threads make into the main thread and wait for.
//
// A worker hands a call over and blocks until the main thread has run it. The main thread
// runs such calls from its Qt event loop, and also inside the few waits it makes with the
// event loop stopped (for a worker thread to end, for a child process): those waits serve
// the queued calls, so a worker blocked in a call can always go on and the wait can end.
#pragma once

#include <functional>

namespace parlino::MainThreadCalls {

// The process's main thread (the one that ran static initialisation and owns the
// QCoreApplication).
bool IsMainThread();

// Runs `call` on the main thread and returns once it has run; an exception it raised is
// raised again here. On the main thread itself the call runs at once.
void Run(const std::function<void()>& call);

// Main thread: runs every queued call, in the order queued. Returns how many ran.
int ServePending();

// Main thread: serves queued calls until `done()` holds or `timeoutMs` has passed
// (negative: no limit). Nothing else of the event loop runs meanwhile. Returns done().
// Whoever makes `done()` true from another thread must call Wake() afterwards.
bool ServeUntil(const std::function<bool()>& done, int timeoutMs = -1);

// Wakes ServeUntil so that it tests its condition again.
void Wake();

}  // namespace parlino::MainThreadCalls
