#include "ui/RestartSchedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = CRestartSchedule::Clock;

const Clock::time_point kEnd = Clock::time_point() + 1000s; // when the link ended

CRestartSchedule Waiting(RestartTiming timing = {.wait = 120s, .retryInterval = 2s}) {
    CRestartSchedule follow;
    follow.SetTiming(timing);
    follow.OnChangeSent("10.0.0.5", true, kEnd);
    EXPECT_EQ(follow.OnLinkEnded(kEnd), RestartCourse::Follow);
    EXPECT_EQ(follow.Phase(), RestartPhase::Waiting);
    return follow;
}

TEST(RestartSchedule, OnlyAFollowableNewAddressIsWaitedFor) {
    struct Case {
        const char* address;
        bool followable;
    };
    for (const Case entry : {Case{"10.0.0.5", false}, Case{"", true}, Case{"", false}}) {
        SCOPED_TRACE(std::string(entry.address) + (entry.followable ? " followable" : " not followable"));
        CRestartSchedule follow;
        follow.OnChangeSent(entry.address, entry.followable, kEnd);
        EXPECT_EQ(follow.Phase(), RestartPhase::ChangeSent);
        EXPECT_EQ(follow.OnLinkEnded(kEnd), RestartCourse::ShowMoved);
        EXPECT_EQ(follow.Phase(), RestartPhase::Idle);
        EXPECT_EQ(follow.NewAddress(), entry.address);
        EXPECT_FALSE(follow.OnTick(kEnd + 10s).startTry);
    }
}

TEST(RestartSchedule, TriesAtOnceThenAtEachTurnAfterAFailureNeverTwoAtATime) {
    CRestartSchedule follow = Waiting();
    std::vector<double> starts;
    // The device refuses every try 0.3 s after it starts; ticks come every 0.1 s for 7 s.
    Clock::time_point failAt = Clock::time_point::max();
    for (auto now = kEnd; now <= kEnd + 7s; now += 100ms) {
        if (now >= failAt) {
            follow.OnTryFailed();
            failAt = Clock::time_point::max();
        }
        if (follow.OnTick(now).startTry) {
            starts.push_back(std::chrono::duration<double>(now - kEnd).count());
            failAt = now + 300ms;
        }
    }
    ASSERT_EQ(starts.size(), 4u);
    for (std::size_t i = 0; i < starts.size(); ++i) {
        EXPECT_NEAR(starts[i], 2.0 * static_cast<double>(i), 0.01);
    }
}

TEST(RestartSchedule, ATryStillRunningAtItsSuccessorsTurnDelaysIt) {
    CRestartSchedule follow = Waiting();
    ASSERT_TRUE(follow.OnTick(kEnd).startTry);
    EXPECT_FALSE(follow.OnTick(kEnd + 2500ms).startTry);
    follow.OnTryFailed();
    EXPECT_TRUE(follow.OnTick(kEnd + 2600ms).startTry) << "a late failure starts the next try at once";
}

TEST(RestartSchedule, CountsDownInWholeSecondsRoundedUpAndTimesOutOnceAtTheEnd) {
    CRestartSchedule follow = Waiting();
    EXPECT_EQ(follow.OnTick(kEnd).secondsLeft, 120);
    EXPECT_EQ(follow.OnTick(kEnd + 1ms).secondsLeft, 120);
    EXPECT_EQ(follow.OnTick(kEnd + 1s).secondsLeft, 119);
    EXPECT_EQ(follow.OnTick(kEnd + 119999ms).secondsLeft, 1);
    const RestartTick last = follow.OnTick(kEnd + 120s);
    EXPECT_TRUE(last.timedOut);
    EXPECT_FALSE(last.startTry);
    EXPECT_EQ(follow.Phase(), RestartPhase::Idle);
    EXPECT_FALSE(follow.OnTick(kEnd + 121s).timedOut) << "the time-out is reported once";
}

TEST(RestartSchedule, EndStopsTheWaitAndAnEarlierChangeDoesNotCarryOver) {
    CRestartSchedule follow = Waiting();
    follow.End();
    EXPECT_EQ(follow.Phase(), RestartPhase::Idle);
    const RestartTick tick = follow.OnTick(kEnd + 200s);
    EXPECT_FALSE(tick.timedOut);
    EXPECT_FALSE(tick.startTry);
}

} // namespace
