#include "platform/core/ResourceLimits.h"

#include <sys/resource.h>

#include <filesystem>
#include <system_error>

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

bool descriptorsToSpare(int count)
{
    const long limit = openFileLimit();
    if (limit < 0)
        return true;
    std::error_code error;
    long open = 0;
    for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end; it.increment(error))
        ++open;
    if (error)
        return true;  // cannot tell: let the system say no if it must
    return open + count + DescriptorHeadroom <= limit;
}

long openFileLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return -1;
    return static_cast<long>(limit.rlim_cur);
}

}  // namespace parlino
