#include "platform/core/ResourceLimits.h"

#include <sys/resource.h>

namespace parlino {

long RaiseOpenFileLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return -1;
    limit.rlim_cur = limit.rlim_max;
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
        return -1;
    return static_cast<long>(limit.rlim_cur);
}

long openFileLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return -1;
    return static_cast<long>(limit.rlim_cur);
}

}  // namespace parlino
