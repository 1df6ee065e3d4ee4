// This PC's time zone as the chart's time labels take it: east of UTC, with summer time where the zone
// has it.
#include "devicelog/EventTime.h"

#include "tests/support/TimeZoneScope.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t kSecond = 1000000;
constexpr std::int64_t kWinter = 1768478400 * kSecond; // 2026-01-15 12:00 UTC
constexpr std::int64_t kSummer = 1784116800 * kSecond; // 2026-07-15 12:00 UTC

TEST(EventTime, UtcOffsetIsTheZonesAtThatMoment) {
    const struct {
        const char* zone;
        bool posixOnly; // Wine's C runtime takes no daylight-saving rule from TZ, nor a moment before 1970
        std::int64_t utcMicros;
        int offsetSeconds;
    } cases[] = {
        {"UTC0", false, kSummer, 0},
        {"IST-5:30", false, kWinter, 19800},
        {"EST5", false, kWinter, -18000},
        // Before 1970, west of UTC: the seconds round down, the offset stays.
        {"EST5", true, -kSecond / 2, -18000},
        {"EST5EDT,M3.2.0,M11.1.0", true, kWinter, -18000},
        {"EST5EDT,M3.2.0,M11.1.0", true, kSummer, -14400},
    };
    for (const auto& c : cases) {
#ifdef _WIN32
        if (c.posixOnly) {
            continue;
        }
#endif
        const CTimeZoneScope zone(c.zone);
        EXPECT_EQ(UtcOffsetSeconds(c.utcMicros), c.offsetSeconds) << c.zone << " " << c.utcMicros;
    }
}

} // namespace
