// How often a device's time service may be asked, and what is shown between two checks.
#include "ntpquery/NtpHistory.h"
#include "ntpquery/NtpHistoryStore.h"

#include <gtest/gtest.h>

namespace {

using Clock = CNtpHistory::Clock;

TEST(NtpHistory, AsksAtMostEverySixteenSecondsAndAgesTheLastResult) {
    const Clock::time_point start{};
    CNtpHistory history;
    EXPECT_TRUE(history.MayAsk(start));
    EXPECT_FALSE(history.LastResult(start));
    history.Asked(start);
    NtpResult answer;
    answer.answered = true;
    history.Ended(answer, start + std::chrono::milliseconds(40));
    EXPECT_FALSE(history.MayAsk(start + std::chrono::milliseconds(15999)));
    EXPECT_TRUE(history.MayAsk(start + kShortestNtpPoll));
    const std::optional<NtpResult> shown = history.LastResult(start + std::chrono::milliseconds(10040));
    ASSERT_TRUE(shown && shown->answered);
    EXPECT_DOUBLE_EQ(shown->ageSeconds.value_or(-1), 10.0);
}

// Runs of their own that read a device again and again (the exporter's probes) share its checks: it is
// asked again only once its floor has passed, and the store keeps no device that may be asked anyway.
TEST(NtpHistoryStore, KeepsEachDeviceUntilItMayBeAskedAgain) {
    constexpr std::uint32_t kDevice = 0x7F000101u;
    constexpr std::uint32_t kOther = 0x7F000102u;
    const Clock::time_point start{};
    CNtpHistoryStore store;
    EXPECT_TRUE(store.Take(kDevice, start).MayAsk(start));
    CNtpHistory asked = store.Take(kDevice, start);
    asked.Asked(start);
    NtpResult answer;
    answer.answered = true;
    asked.Ended(answer, start);
    store.Keep(kDevice, asked, start);
    const Clock::time_point later = start + std::chrono::seconds(5);
    const CNtpHistory again = store.Take(kDevice, later);
    EXPECT_FALSE(again.MayAsk(later));
    ASSERT_TRUE(again.LastResult(later));
    EXPECT_DOUBLE_EQ(again.LastResult(later)->ageSeconds.value_or(-1), 5.0);
    EXPECT_TRUE(store.Take(kDevice, start + kShortestNtpPoll).MayAsk(start + kShortestNtpPoll));
    // Keeping another device once the first may be asked again forgets the first.
    store.Keep(kOther, CNtpHistory{}, start + kShortestNtpPoll);
    EXPECT_TRUE(store.Take(kDevice, later).MayAsk(later));
}

} // namespace
