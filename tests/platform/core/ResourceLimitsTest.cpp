// Descriptors to spare: exact near the limit, where it decides whether a socket may be made.
#include "platform/core/ResourceLimits.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

namespace parlino {
namespace {

long OpenNow()
{
    long open = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++open;
    }
    return open - 1;  // the listing's own descriptor
}

// Lowers the soft limit for the test and puts it back afterwards.
class LoweredLimit {
public:
    explicit LoweredLimit(long soft)
    {
        getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = static_cast<rlim_t>(soft);
        ok_ = setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~LoweredLimit() { setrlimit(RLIMIT_NOFILE, &saved_); }
    bool ok() const { return ok_; }

private:
    rlimit saved_{};
    bool ok_ = false;
};

TEST(ResourceLimitsTest, SparesExactlyWhatLeavesTheHeadroomFree)
{
    // Far from the limit the answer comes from the table's size; near it, from a count.
    ASSERT_GE(RaiseOpenFileLimit(), 4096);
    EXPECT_TRUE(descriptorsToSpare(9));

    const long open = OpenNow();
    LoweredLimit limit(open + DescriptorHeadroom + 5);
    ASSERT_TRUE(limit.ok());
    EXPECT_TRUE(descriptorsToSpare(5));
    EXPECT_FALSE(descriptorsToSpare(6));

    // Each descriptor opened takes one from what is spared.
    std::vector<int> held;
    for (int i = 0; i < 3; ++i)
        held.push_back(::dup(STDERR_FILENO));
    EXPECT_TRUE(descriptorsToSpare(2));
    EXPECT_FALSE(descriptorsToSpare(3));
    for (int fd : held)
        ::close(fd);
    EXPECT_TRUE(descriptorsToSpare(5));
}

}  // namespace
}  // namespace parlino
