// The Devices window's fleet on its own thread: the window hears of news through one post until it takes
// them, and takes every start and reading in their order. Loopback address 127.0.93.60, where nothing
// listens.
#include "ui/FleetWatch.h"

#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

constexpr const char* kNobody = "127.0.93.60";
constexpr std::uint32_t kNobodyValue = 0x7f005d3c;
constexpr int kReadingWaitMs = 20000;

TEST(FleetWatch, ADeviceReadOnTheFleetsThreadReachesTheWindowThroughOnePostAtATime) {
    std::atomic<int> posts{0};
    CFleetWatch watch([&posts](CWorkerThread&, StateReport) { ++posts; }, [] { return std::int64_t{42}; });
    FleetSettings settings;
    // No time service to wait for: the reading ends as soon as both links are refused.
    settings.probe.ntp = false;
    settings.watchInterval = std::chrono::seconds(60);
    ASSERT_TRUE(watch.Watch({DeviceAddress{kNobody, kNobodyValue}}, settings));

    FleetNews news;
    ASSERT_TRUE(WaitUntil(
        [&] {
            FleetNews taken = watch.TakeNews();
            news.started.insert(news.started.end(), taken.started.begin(), taken.started.end());
            for (WatchedReading& reading : taken.readings) {
                news.readings.push_back(std::move(reading));
            }
            return !news.readings.empty();
        },
        kReadingWaitMs));
    EXPECT_EQ(news.started, std::vector<std::uint32_t>{kNobodyValue});
    ASSERT_EQ(news.readings.size(), 1u);
    EXPECT_EQ(news.readings.front().record.address, kNobody);
    EXPECT_FALSE(news.readings.front().record.reachable);
    EXPECT_EQ(news.readings.front().utcMicros, 42);
    // The start and the reading came apart or together: a post for each news the window had not taken.
    EXPECT_GE(posts.load(), 1);
    EXPECT_LE(posts.load(), 2);
}

} // namespace
