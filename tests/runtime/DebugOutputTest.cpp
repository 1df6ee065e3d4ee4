// What DebugOutput echoes on the standard error stream, decided and shaped in this process. The echo
// reads its setting once per program, but the tests start no second program for each setting: under Wine
// a death test's child hands its result back through inherited handles while the parent's standard error
// goes to a file, and a failure on that path ends the test program without a word in the log.
#include "runtime/DebugEcho.h"

#include <gtest/gtest.h>

namespace {

TEST(DebugOutputTest, OnlyTheSettingOneSwitchesTheEchoOn) {
    const struct {
        const char* value;
        bool on;
    } cases[] = {{"1", true}, {nullptr, false}, {"", false}, {"0", false}, {"yes", false}, {"10", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(IsDebugSetting(c.value), c.on) << (c.value != nullptr ? c.value : "unset");
    }
}

TEST(DebugOutputTest, EachCallIsOneLine) {
    const struct {
        const char* text;
        const char* line;
    } cases[] = {{"getdate\n", "getdate\n"}, {"ntpq -p", "ntpq -p\n"}, {"", "\n"}};
    for (const auto& c : cases) {
        EXPECT_EQ(DebugLine(c.text), c.line);
    }
}

} // namespace
