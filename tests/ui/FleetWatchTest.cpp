// The Devices window's fleet on its own thread: the window hears of news through one post until it takes
// them, takes every start and reading in their order, and is read afresh at another interval. Loopback
// address 127.0.93.60, where nothing listens.
#include "ui/FleetWatch.h"

#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>

namespace {

constexpr const char* kNobody = "127.0.93.60";
constexpr std::uint32_t kNobodyValue = 0x7f005d3c;
constexpr int kReadingWaitMs = 20000;

// No time service to wait for: a reading ends as soon as both links are refused.
FleetSettings Settings(std::chrono::seconds interval) {
    FleetSettings settings;
    settings.probe.ntp = false;
    settings.watchInterval = interval;
    return settings;
}

// The news the window takes until a reading is among them; nothing when none came in time.
std::optional<FleetNews> NewsUpToAReading(CFleetWatch& watch) {
    FleetNews news;
    const bool read = WaitUntil(
        [&] {
            FleetNews taken = watch.TakeNews();
            news.started.insert(news.started.end(), taken.started.begin(), taken.started.end());
            for (WatchedReading& reading : taken.readings) {
                news.readings.push_back(std::move(reading));
            }
            return !news.readings.empty();
        },
        kReadingWaitMs);
    return read ? std::optional<FleetNews>(std::move(news)) : std::nullopt;
}

TEST(FleetWatch, ADeviceReadOnTheFleetsThreadReachesTheWindowThroughOnePostAtATime) {
    std::atomic<int> posts{0};
    CFleetWatch watch([&posts](CWorkerThread&, StateReport) { ++posts; }, [] { return std::int64_t{42}; });
    ASSERT_TRUE(watch.Watch({DeviceAddress{kNobody, kNobodyValue}}, Settings(std::chrono::seconds(60))));

    const std::optional<FleetNews> taken = NewsUpToAReading(watch);
    ASSERT_TRUE(taken);
    const FleetNews& news = *taken;
    EXPECT_EQ(news.started, std::vector<std::uint32_t>{kNobodyValue});
    ASSERT_EQ(news.readings.size(), 1u);
    EXPECT_EQ(news.readings.front().record.address, kNobody);
    EXPECT_FALSE(news.readings.front().record.reachable);
    EXPECT_EQ(news.readings.front().utcMicros, 42);
    // The start and the reading came apart or together: a post for each news the window had not taken.
    EXPECT_GE(posts.load(), 1);
    EXPECT_LE(posts.load(), 2);
}

TEST(FleetWatch, AnotherIntervalStartsTheFleetAfreshWithTheListItWasGiven) {
    CFleetWatch watch([](CWorkerThread&, StateReport) {}, [] { return std::int64_t{42}; });
    const std::vector<DeviceAddress> devices = {DeviceAddress{kNobody, kNobodyValue}};
    ASSERT_TRUE(watch.Watch(devices, Settings(std::chrono::seconds(60))));
    ASSERT_TRUE(NewsUpToAReading(watch));
    // The device is read again at once rather than a minute later.
    ASSERT_TRUE(watch.Watch(devices, Settings(std::chrono::seconds(30))));
    EXPECT_TRUE(NewsUpToAReading(watch));
}

} // namespace
