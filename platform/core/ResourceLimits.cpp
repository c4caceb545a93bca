#include "platform/core/ResourceLimits.h"

#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
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

namespace {

// The size of the process's descriptor table, which is always more than the highest open
// descriptor and so never less than the number open; -1 when it cannot be read.
long descriptorTableSize()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("FDSize:", 0) == 0)
            return std::strtol(line.c_str() + 7, nullptr, 10);
    return -1;
}

// The open descriptors counted one by one; -1 when they cannot be listed.
long openDescriptorCount()
{
    std::error_code error;
    long open = 0;
    for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end; it.increment(error))
        ++open;
    return error ? -1 : open - 1;  // the listing's own descriptor is among them
}

}  // namespace

bool descriptorsToSpare(int count)
{
    const long limit = openFileLimit();
    if (limit < 0)
        return true;
    // Counting costs a step per open descriptor, thousands at full house on every sign-in;
    // the table's size answers at once whenever the limit is far off.
    const long tableSize = descriptorTableSize();
    if (tableSize >= 0 && tableSize + count + DescriptorHeadroom <= limit)
        return true;
    const long open = openDescriptorCount();
    if (open < 0)
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
