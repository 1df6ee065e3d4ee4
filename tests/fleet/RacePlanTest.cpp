// The race's plan driven with times and events: how long the first link has for its prompt, and which
// link the next race starts with.
#include "fleet/RacePlan.h"

#include <gtest/gtest.h>

namespace {

using Clock = CRacePlan::Clock;
using std::chrono::milliseconds;

const Clock::time_point kBegin = Clock::time_point() + std::chrono::hours(1);

struct WaitCase {
    const char* name;
    milliseconds connect;
    milliseconds wait; // after the connect
};

class PromptWait : public testing::TestWithParam<WaitCase> {};

TEST_P(PromptWait, FollowsWhatTheConnectTook) {
    CRacePlan plan;
    EXPECT_EQ(plan.Begin(kBegin), LinkSide::Shell);
    EXPECT_EQ(plan.SecondDue(), kBegin + kLongestPromptWait);
    plan.FirstConnected(kBegin + GetParam().connect);
    EXPECT_EQ(plan.SecondDue(), kBegin + GetParam().connect + GetParam().wait);
}

// A shell whose prompt comes 0.9 s after a 300 ms connect is waited for; on the LAN the shortest wait
// holds, and a connect that took seconds does not hold telnet back for more than the longest.
INSTANTIATE_TEST_SUITE_P(RacePlan, PromptWait,
                         testing::Values(WaitCase{"Lan", milliseconds(1), kShortestPromptWait},
                                         WaitCase{"Distant", milliseconds(300), milliseconds(1200)},
                                         WaitCase{"Retried", milliseconds(2000), kLongestPromptWait}),
                         [](const testing::TestParamInfo<WaitCase>& info) { return info.param.name; });

struct LearningCase {
    const char* name;
    LinkHint before;
    LinkSide winner;
    bool rivalRunning;
    LinkHint after;
};

class HintLearning : public testing::TestWithParam<LearningCase> {};

TEST_P(HintLearning, KeepsTheLinkThatWorked) {
    const LearningCase& c = GetParam();
    CRacePlan plan(c.before);
    (void)plan.Begin(kBegin);
    plan.Won(c.winner, c.rivalRunning);
    EXPECT_EQ(plan.Hint().first, c.after.first);
}

INSTANTIATE_TEST_SUITE_P(
    RacePlan, HintLearning,
    testing::Values(
        LearningCase{"ShellWins", {}, LinkSide::Shell, true, {LinkSide::Shell}},
        // The shell was slower, not broken: the next race starts with it again.
        LearningCase{"TelnetOvertakesASlowShell", {}, LinkSide::Telnet, true, {}},
        LearningCase{"TelnetAfterTheShellFailed", {}, LinkSide::Telnet, false, {LinkSide::Telnet}},
        LearningCase{"TelnetFirstAndAlone", {LinkSide::Telnet}, LinkSide::Telnet, false, {LinkSide::Telnet}},
        LearningCase{
            "ShellBackAfterTelnetFailed", {LinkSide::Telnet}, LinkSide::Shell, false, {LinkSide::Shell}}),
    [](const testing::TestParamInfo<LearningCase>& info) { return info.param.name; });

TEST(RacePlan, AHintedLinkIsWaitedForWhateverItsConnectTook) {
    CRacePlan plan({LinkSide::Telnet});
    EXPECT_EQ(plan.Begin(kBegin), LinkSide::Telnet);
    plan.FirstConnected(kBegin + milliseconds(1));
    EXPECT_EQ(plan.SecondDue(), kBegin + kHintedPromptWait);
}

TEST(RacePlan, FailureForgetsTheHint) {
    CRacePlan plan({LinkSide::Shell});
    (void)plan.Begin(kBegin);
    plan.Failed();
    EXPECT_FALSE(plan.Hint().first);
    EXPECT_EQ(plan.Begin(kBegin), LinkSide::Shell);
    EXPECT_EQ(plan.SecondDue(), kBegin + kLongestPromptWait);
}

} // namespace
