// What /metrics keeps of the fleet between updates, at times the test gives.
#include "exporter/FleetMemory.h"

#include "PageSamples.h"

#include <gtest/gtest.h>

namespace {

constexpr double kNow = 1800000000;

DeviceRecord Reading(const std::string& address, double readAt) {
    DeviceRecord record;
    record.address = address;
    record.reachable = true;
    record.firmware = "2.4.1";
    record.gpsLocked = true;
    record.offsetSeconds = 0.25;
    record.roundTripSeconds = 0.5;
    // The clock reading came at readAt: its midpoint a quarter second before, the device a quarter ahead.
    record.deviceUnixMicros = static_cast<std::int64_t>(readAt * 1e6);
    return record;
}

DeviceRecord Failure(const std::string& address, FailureKind kind) {
    DeviceRecord record;
    record.address = address;
    record.failure = kind == FailureKind::LocalFailure ? "no socket" : "connection refused";
    record.failureKind = kind;
    return record;
}

const std::string kUp = "vantrex_up{address=\"127.0.190.1\"}";
const std::string kStale = "vantrex_problem{address=\"127.0.190.1\",code=\"stale\"}";
const std::string kReadAt = "vantrex_last_reading_timestamp_seconds{address=\"127.0.190.1\"}";

TEST(FleetMemoryTest, AFailureOfThisHostKeepsTheLastReading) {
    CFleetMemory memory(HealthLimits{}, std::chrono::seconds(35));
    EXPECT_TRUE(memory.Take({Reading("127.0.190.1", kNow - 1)}).empty());
    const std::vector<std::string> local = memory.Take({Failure("127.0.190.1", FailureKind::LocalFailure)});
    EXPECT_EQ(local, std::vector<std::string>{"127.0.190.1: no socket"});
    const std::string page = memory.Page(kNow);
    EXPECT_EQ(SampleValue(page, kUp), 1.0) << page;
    EXPECT_EQ(SampleValue(page, kReadAt), kNow - 1) << page;
}

TEST(FleetMemoryTest, AReadingOlderThanItsIntervalsIsStale) {
    CFleetMemory memory(HealthLimits{}, std::chrono::seconds(35));
    (void)memory.Take({Reading("127.0.190.1", kNow - 36)});
    const std::string page = memory.Page(kNow);
    EXPECT_EQ(SampleValue(page, kUp), 0.0) << page;
    EXPECT_EQ(SampleValue(page, kStale), 1.0) << page;
    EXPECT_EQ(SampleValue(page, "vantrex_gps_locked{address=\"127.0.190.1\"}"), 1.0) << page;
    const std::string fresh = memory.Page(kNow - 2);
    EXPECT_EQ(SampleValue(fresh, kUp), 1.0) << fresh;
    EXPECT_FALSE(SampleValue(fresh, kStale)) << fresh;
}

TEST(FleetMemoryTest, ADeviceFailureShowsDownWithItsLastReadingTime) {
    CFleetMemory memory(HealthLimits{}, std::chrono::seconds(35));
    (void)memory.Take({Reading("127.0.190.1", kNow - 5), Failure("127.0.190.2", FailureKind::Pending)});
    (void)memory.Take(
        {Failure("127.0.190.1", FailureKind::Device), Failure("127.0.190.2", FailureKind::Pending)});
    const std::string page = memory.Page(kNow);
    EXPECT_EQ(SampleValue(page, kUp), 0.0) << page;
    EXPECT_EQ(SampleValue(page, kReadAt), kNow - 5) << page;
    // Never read: nothing known, no samples.
    EXPECT_EQ(page.find("127.0.190.2"), std::string::npos) << page;
    memory.Keep({"127.0.190.2"});
    EXPECT_EQ(memory.Page(kNow).find("127.0.190.1"), std::string::npos);
}

} // namespace
