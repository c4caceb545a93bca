#include "platform/core/Finally.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace parlino {
namespace {

// Leaves a scope guarded by Finally, with or without an error of the body and of the closing
// part, and returns the message of the error that came out ("" for none).
std::string LeaveScope(bool bodyFails, bool closingFails, bool& closed)
{
    try {
        Finally closing([&] {
            closed = true;
            if (closingFails)
                throw std::runtime_error("closing");
        });
        if (bodyFails)
            throw std::runtime_error("body");
    } catch (const std::exception& error) {
        return error.what();
    }
    return "";
}

TEST(FinallyTest, TheClosingPartAlwaysRunsAndTheFirstErrorWins)
{
    struct Case {
        bool bodyFails;
        bool closingFails;
        const char* raised;
    };
    const Case cases[] = {
        {false, false, ""},
        {false, true, "closing"},
        {true, false, "body"},
        {true, true, "body"},
    };
    for (const Case& c : cases) {
        bool closed = false;
        EXPECT_EQ(LeaveScope(c.bodyFails, c.closingFails, closed), c.raised)
            << "body fails " << c.bodyFails << ", closing fails " << c.closingFails;
        EXPECT_TRUE(closed);
    }
}

TEST(FinallyTest, AScopeLeftWhileAnotherErrorUnwindsStillRaisesItsOwnClosingError)
{
    // A guard made during unwinding counts the errors already on their way at its start.
    bool innerClosed = false;
    std::string innerRaised;
    struct Unwinder {
        bool& closed;
        std::string& raised;
        ~Unwinder() { raised = LeaveScope(false, true, closed); }
    };
    try {
        Unwinder unwinder{innerClosed, innerRaised};
        throw std::runtime_error("outer");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(innerClosed);
    EXPECT_EQ(innerRaised, "closing");
}

}  // namespace
}  // namespace parlino
