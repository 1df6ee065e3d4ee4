#include "EventWait.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>

TEST(EventWaitTest, ConditionMetWhileEventsRun) {
    // The condition only comes true through an event, so the loop must run for it.
    bool fired = false;
    QTimer::singleShot(20, [&fired] { fired = true; });
    EXPECT_TRUE(WaitForCondition([&fired] { return fired; }, 10000));
}

TEST(EventWaitTest, ConditionAlreadyTrueCostsNoTick) {
    int ticks = 0;
    EXPECT_TRUE(RunEventsUntil(
        [&ticks] {
            ++ticks;
            return true;
        },
        1000, 10000));
    EXPECT_EQ(ticks, 1);
}

TEST(EventWaitTest, GivesUpAtItsTimeout) {
    int ticks = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(RunEventsUntil(
        [&ticks] {
            ++ticks;
            return false;
        },
        10, 200));
    const auto taken = std::chrono::steady_clock::now() - start;
    EXPECT_GE(taken, std::chrono::milliseconds(200));
    EXPECT_LT(taken, std::chrono::seconds(10));
    EXPECT_GT(ticks, 1);
}
