#include "link/DeviceTime.h"
#include "link/DeviceSnapshot.h"

#include <gtest/gtest.h>

namespace {

TEST(AdvanceDeviceTime, CarriesOnceWhenTheFieldReachesASecond) {
    const HeldDeviceTime telnet = AdvanceDeviceTime(1000, 950000, 750000);
    EXPECT_EQ(telnet.seconds, 1001);
    EXPECT_EQ(telnet.micros, 700000);
    const HeldDeviceTime shell = AdvanceDeviceTime(1000, 950000, 100000);
    EXPECT_EQ(shell.seconds, 1001);
    EXPECT_EQ(shell.micros, 50000);
    const HeldDeviceTime exact = AdvanceDeviceTime(1000, 900000, 100000);
    EXPECT_EQ(exact.seconds, 1001);
    EXPECT_EQ(exact.micros, 0);
    const HeldDeviceTime below = AdvanceDeviceTime(1000, 899999, 100000);
    EXPECT_EQ(below.seconds, 1000);
    EXPECT_EQ(below.micros, 999999);
    const HeldDeviceTime excess = AdvanceDeviceTime(1000, 1950000, 100000);
    EXPECT_EQ(excess.seconds, 1001);
    EXPECT_EQ(excess.micros, 1050000) << "the carry is done once";
}

TEST(CarryDeviceTime, AddsElapsedTicksTruncatingTowardZero) {
    EXPECT_EQ(CarryDeviceTime({1000, 600000}, 2500), 1003);
    EXPECT_EQ(CarryDeviceTime({1000, 600000}, 399), 1000);
    EXPECT_EQ(CarryDeviceTime({1000, 600000}, 400), 1001);
    EXPECT_EQ(CarryDeviceTime({1000, 1050000}, 0), 1001) << "an excess field still counts";
    EXPECT_EQ(CarryDeviceTime({1000, 1950000}, 50), 1002);
    EXPECT_EQ(CarryDeviceTime({1000, 0}, -999), 1000);
    EXPECT_EQ(CarryDeviceTime({1000, 0}, -1000), 999);
    EXPECT_EQ(CarryDeviceTime({4102444800LL, 100000}, 86400000), 4102531200LL);
}

TEST(CarryDeviceTime, ZeroMeansNoTime) {
    EXPECT_EQ(CarryDeviceTime({0, 0}, 5000), 0);
    EXPECT_EQ(CarryDeviceTime({0, 5000}, 5000), 0 + (5 + 5000) / 1000);
}

// The device's clock runs with this PC's from 1000 s; each answer takes roundTripMs and is read at atMs
// on both of this PC's clocks, the device having read its clock as the command left.
struct TimedAnswer {
    std::int64_t atMs;
    std::int64_t roundTripMs;
    std::int64_t deviceStepMs = 0;
};

void Answer(DeviceSnapshot& snapshot, const TimedAnswer& answer) {
    const std::int64_t sentMs = answer.atMs - answer.roundTripMs;
    const std::int64_t deviceMs = 1000000 + sentMs + answer.deviceStepMs;
    const DeviceClockReading reading{deviceMs / 1000, deviceMs % 1000 * 1000, 'A'};
    const LinkInstant at{LinkClock::time_point(std::chrono::milliseconds(answer.atMs)), answer.atMs * 1000};
    snapshot.TakeClockReading(reading, 0, sentMs * 1000, at);
}

std::int64_t ShownAt(const DeviceSnapshot& snapshot, std::int64_t atMs) {
    return snapshot.DeviceTimeAt(LinkClock::time_point(std::chrono::milliseconds(atMs)));
}

TEST(DeviceSnapshot, LateAnswerLeavesTheCarriedClockShown) {
    DeviceSnapshot snapshot;
    Answer(snapshot, {.atMs = 1050, .roundTripMs = 50});
    EXPECT_EQ(ShownAt(snapshot, 6500), 1006);
    Answer(snapshot, {.atMs = 7000, .roundTripMs = 5000}); // stalled: reads 1002 s when 1007 s is true
    EXPECT_EQ(ShownAt(snapshot, 7500), 1007) << "the time never runs back";
    ASSERT_TRUE(snapshot.lastReading);
    EXPECT_EQ(snapshot.lastReading->seconds, 1002) << "the reading itself still reaches the offset";
    EXPECT_EQ(snapshot.gpsState, true);

    // A timely answer is taken again, and with it a real step of the device's clock.
    Answer(snapshot, {.atMs = 9000, .roundTripMs = 60, .deviceStepMs = 30000});
    EXPECT_EQ(ShownAt(snapshot, 9500), 1039);
}

TEST(DeviceSnapshot, SlowLinkIsTimelyAgainstItsOwnPace) {
    DeviceSnapshot snapshot;
    Answer(snapshot, {.atMs = 3000, .roundTripMs = 2100}); // nothing held: taken whatever it took
    Answer(snapshot, {.atMs = 8000, .roundTripMs = 2200, .deviceStepMs = 10000});
    EXPECT_EQ(ShownAt(snapshot, 8000), 1015);
    Answer(snapshot, {.atMs = 20000, .roundTripMs = 9000, .deviceStepMs = 10000});
    EXPECT_EQ(ShownAt(snapshot, 20000), 1027) << "a stall beyond twice the usual is late";
    Answer(snapshot, {.atMs = 21000, .roundTripMs = -5, .deviceStepMs = 20000});
    EXPECT_EQ(ShownAt(snapshot, 21000), 1028) << "a PC clock set back leaves the round trip unknown";
}

} // namespace
