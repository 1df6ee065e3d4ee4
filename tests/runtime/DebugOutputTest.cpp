#include "runtime/DebugOutput.h"
#include "tests/support/Environment.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Each case runs in a child process: the variable is read once per program.
void WriteWith(const char* setting) {
    SetTestEnvironment("VANTREX_DEBUG", setting);
    DebugOutput("getdate\n");
    DebugOutput("ntpq -p");
    DebugOutput("");
    std::fflush(stderr);
    std::exit(0);
}

TEST(DebugOutputTest, OneLinePerCallWhenEnabled) {
    EXPECT_EXIT(WriteWith("1"), testing::ExitedWithCode(0), "^getdate\nntpq -p\n\n$");
}

TEST(DebugOutputTest, SilentOtherwise) {
    EXPECT_EXIT(WriteWith(nullptr), testing::ExitedWithCode(0), "^$");
    EXPECT_EXIT(WriteWith("0"), testing::ExitedWithCode(0), "^$");
    EXPECT_EXIT(WriteWith("yes"), testing::ExitedWithCode(0), "^$");
}

} // namespace
