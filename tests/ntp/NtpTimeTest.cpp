#include "ntp/NtpTime.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t kMicros = 1000000;
// 2036-02-07 06:28:16 UTC: era 1 begins.
constexpr std::int64_t kEraOneUnixSeconds = 2085978496;
constexpr std::int64_t kYear2000Micros = std::int64_t{946684800} * kMicros;
constexpr std::int64_t kYear2100Micros = std::int64_t{4102444800} * kMicros;

TEST(NtpTime, UnixTimesBecomeTimestampsOfTheirEra) {
    struct Case {
        std::int64_t unixMicros;
        NtpTimestamp expected;
    };
    for (const Case& c : {
             Case{0, {0x83AA7E80u, 0}},
             Case{500000, {0x83AA7E80u, 0x80000000u}},
             Case{-kMicros / 4, {0x83AA7E7Fu, 0xC0000000u}},
             Case{1, {0x83AA7E80u, 4295u}}, // 2^32 / 10^6 = 4294.97, rounded
             Case{kEraOneUnixSeconds * kMicros, {0, 0}},
             Case{kEraOneUnixSeconds * kMicros - kMicros / 2, {0xFFFFFFFFu, 0x80000000u}},
             Case{kEraOneUnixSeconds * kMicros + 999999, {0, 0xFFFFEF39u}},
         }) {
        EXPECT_EQ(NtpFromUnixMicros(c.unixMicros), c.expected) << c.unixMicros;
    }
}

TEST(NtpTime, TimestampsTakeTheEraNearestTheReference) {
    struct Case {
        NtpTimestamp timestamp;
        std::int64_t nearMicros;
        std::int64_t expected;
    };
    for (const Case& c : {
             Case{{0x83AA7E80u, 0x80000000u}, kYear2000Micros, kMicros / 2},
             Case{{0x83AA7E80u, 0}, kYear2100Micros, (std::int64_t{1} << 32) * kMicros},
             Case{{0, 0}, kEraOneUnixSeconds * kMicros - 5 * kMicros, kEraOneUnixSeconds * kMicros},
             Case{{0xFFFFFFFFu, 0},
                  kEraOneUnixSeconds * kMicros + 5 * kMicros,
                  (kEraOneUnixSeconds - 1) * kMicros},
             Case{{0x83AA7E80u, 0xFFFFFFFFu}, kYear2000Micros, kMicros}, // the fraction rounds up to a second
         }) {
        EXPECT_EQ(UnixMicrosFromNtp(c.timestamp, c.nearMicros), c.expected)
            << c.timestamp.seconds << '.' << c.timestamp.fraction;
    }
}

TEST(NtpTime, DifferencesHoldAcrossTheEraChange) {
    EXPECT_DOUBLE_EQ(NtpDifferenceSeconds({1, 0}, {0xFFFFFFFFu, 0x80000000u}), 1.5);
    EXPECT_DOUBLE_EQ(NtpDifferenceSeconds({0xFFFFFFFFu, 0x80000000u}, {1, 0}), -1.5);
    EXPECT_DOUBLE_EQ(NtpDifferenceSeconds({100, 0x40000000u}, {100, 0}), 0.25);
}

} // namespace
