#include "HealthyReading.h"

#include "health/ClockStep.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

DeviceRecord Reading(double offset, double roundTrip = 0.2) {
    DeviceRecord record = HealthyReading();
    record.offsetSeconds = offset;
    record.roundTripSeconds = roundTrip;
    return record;
}

// The step's text, empty for none.
std::string Text(const std::optional<Problem>& step) {
    return step ? step->text : "";
}

DeviceRecord Failed() {
    DeviceRecord record;
    record.failure = "connection lost";
    return record;
}

// A step is seen between two complete readings only, beyond 1 s and their uncertainties (half of each
// round trip), and is kept 10 minutes on this PC's clock.
TEST(ClockStep, StepsBetweenCompleteReadingsAreKeptTenMinutes) {
    CClockStep tracker;
    const CClockStep::Clock::time_point start{};
    EXPECT_FALSE(tracker.Update(Reading(0.1), start));
    EXPECT_FALSE(tracker.Update(Failed(), start + 1min));
    // Within the readings' uncertainty (±0.1 s and ±1 s): no step.
    EXPECT_FALSE(tracker.Update(Reading(1.3, 2), start + 2min));
    const std::optional<Problem> step = tracker.Update(Reading(4.6), start + 3min);
    ASSERT_TRUE(step);
    EXPECT_EQ(step->code, ProblemCode::ClockStep);
    EXPECT_EQ(step->severity, Severity::Warning);
    EXPECT_EQ(step->text, "device clock stepped by +3.3 s");
    EXPECT_DOUBLE_EQ(*step->value, 3.3);
    // A failed reading and a reconnect at the same offset keep the step without making another.
    EXPECT_EQ(Text(tracker.Update(Failed(), start + 5min)), step->text);
    EXPECT_EQ(Text(tracker.Update(Reading(4.6), start + 12min)), step->text);
    EXPECT_EQ(Text(tracker.Update(Reading(4.6), start + 13min)), "");
    EXPECT_EQ(Text(tracker.Update(Reading(1.6), start + 14min)), "device clock stepped by -3.0 s");
}

} // namespace
