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
    CFleetMemory memory(HealthLimits{});
    memory.Keep({"127.0.190.1"});
    EXPECT_FALSE(memory.Take(Reading("127.0.190.1", kNow - 1), kNow + 20));
    EXPECT_EQ(memory.Take(Failure("127.0.190.1", FailureKind::LocalFailure), kNow + 20),
              "127.0.190.1: no socket");
    const std::string page = memory.Page(kNow);
    EXPECT_EQ(SampleValue(page, kUp), 1.0) << page;
    EXPECT_EQ(SampleValue(page, kReadAt), kNow - 1) << page;
}

// Stale only when the next reading is overdue on the fleet's schedule, however old the last one: a device
// read in turns may wait longer than its interval for its place.
TEST(FleetMemoryTest, AReadingWhoseSuccessorIsOverdueIsStale) {
    CFleetMemory memory(HealthLimits{});
    memory.Keep({"127.0.190.1"});
    (void)memory.Take(Reading("127.0.190.1", kNow - 100), kNow - 1);
    const std::string page = memory.Page(kNow);
    EXPECT_EQ(SampleValue(page, kUp), 0.0) << page;
    EXPECT_EQ(SampleValue(page, kStale), 1.0) << page;
    EXPECT_EQ(SampleValue(page, "vantrex_gps_locked{address=\"127.0.190.1\"}"), 1.0) << page;
    const std::string fresh = memory.Page(kNow - 2);
    EXPECT_EQ(SampleValue(fresh, kUp), 1.0) << fresh;
    EXPECT_FALSE(SampleValue(fresh, kStale)) << fresh;
}

TEST(FleetMemoryTest, ADeviceFailureShowsDownWithItsLastReadingTime) {
    CFleetMemory memory(HealthLimits{});
    memory.Keep({"127.0.190.1", "127.0.190.2", "127.0.190.3"});
    (void)memory.Take(Reading("127.0.190.1", kNow - 5), kNow + 20);
    (void)memory.Take(Failure("127.0.190.1", FailureKind::Device), kNow + 20);
    (void)memory.Take(Failure("127.0.190.3", FailureKind::LocalFailure), kNow + 20);
    const std::string page = memory.Page(kNow);
    EXPECT_EQ(SampleValue(page, kUp), 0.0) << page;
    EXPECT_EQ(SampleValue(page, kReadAt), kNow - 5) << page;
    // Not read yet, or only failed by this host: said as such, and no series that could read as down.
    for (const std::string address : {"127.0.190.2", "127.0.190.3"}) {
        EXPECT_EQ(SampleValue(page, "vantrex_reading_pending{address=\"" + address + "\"}"), 1.0) << page;
        EXPECT_FALSE(SampleValue(page, "vantrex_up{address=\"" + address + "\"}")) << page;
    }
    EXPECT_FALSE(SampleValue(page, "vantrex_reading_pending{address=\"127.0.190.1\"}")) << page;
    memory.Keep({"127.0.190.2"});
    EXPECT_EQ(memory.Page(kNow).find("127.0.190.1"), std::string::npos);
}

} // namespace
