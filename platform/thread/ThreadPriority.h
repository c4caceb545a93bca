// Scheduling priority of the calling thread.
#pragma once

namespace parlino {

enum class ThreadPriority { Normal, AboveNormal };

// Sets the calling thread's priority. Raising it needs a privilege the program may not
// have; a change that the system refuses is ignored.
void SetCurrentThreadPriority(ThreadPriority priority);

}  // namespace parlino
