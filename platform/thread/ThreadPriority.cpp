#include "platform/thread/ThreadPriority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace parlino {

void SetCurrentThreadPriority(ThreadPriority priority)
{
    // Nice values are per thread on Linux; the thread id selects this thread only.
    const int nice = priority == ThreadPriority::AboveNormal ? -5 : 0;
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice);
}

}  // namespace parlino
