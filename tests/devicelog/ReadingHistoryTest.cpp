// The chart's readings: a day of them and no more, in the order of this PC's clock, with the runs of
// each connection marked.
#include "devicelog/ReadingHistory.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::int64_t kSecond = 1000000;
constexpr std::int64_t kStart = 1700000000 * kSecond;

LogReading At(std::int64_t micros) {
    LogReading reading;
    reading.pcUnixMicros = micros;
    return reading;
}

std::vector<std::int64_t> SecondsOf(std::span<const LogReading> readings, bool runStartsOnly = false) {
    std::vector<std::int64_t> seconds;
    for (const LogReading& reading : readings) {
        if (!runStartsOnly || reading.startsRun) {
            seconds.push_back((reading.pcUnixMicros - kStart) / kSecond);
        }
    }
    return seconds;
}

TEST(ReadingHistory, KeepsADayAndNoMore) {
    CReadingHistory history;
    // Two days at one a second, then a burst far faster than that: a day's count bounds it either way.
    const std::int64_t day = CReadingHistory::kKeptMicros / kSecond;
    for (std::int64_t second = 0; second < 2 * day; ++second) {
        history.Add(At(kStart + second * kSecond));
    }
    EXPECT_EQ(history.Size(), CReadingHistory::kMostReadings);
    EXPECT_EQ(SecondsOf(history.Between(kStart, kStart + day * kSecond)), std::vector<std::int64_t>{day});
    for (std::int64_t micros = 0; micros < 2 * day * 1000; micros += 1000) {
        history.Add(At(kStart + 2 * day * kSecond + micros));
    }
    EXPECT_EQ(history.Size(), CReadingHistory::kMostReadings);
}

TEST(ReadingHistory, RunsStartAfterAGapAndWhenTheClockGoesBack) {
    CReadingHistory history;
    for (const std::int64_t second : {0, 1, 2}) {
        history.Add(At(kStart + second * kSecond));
    }
    history.MarkGap();
    for (const std::int64_t second : {10, 11, 12, 13}) {
        history.Add(At(kStart + second * kSecond));
    }
    // Set back to second 11: second 11 and those after it leave; the new reading starts a run.
    history.Add(At(kStart + 11 * kSecond));
    history.Add(At(kStart + 12 * kSecond));
    const std::span<const LogReading> all = history.Between(kStart, kStart + 60 * kSecond);
    EXPECT_EQ(SecondsOf(all), (std::vector<std::int64_t>{0, 1, 2, 10, 11, 12}));
    EXPECT_EQ(SecondsOf(all, true), (std::vector<std::int64_t>{0, 10, 11}));
    EXPECT_EQ(SecondsOf(history.Between(kStart + kSecond, kStart + 10 * kSecond)),
              (std::vector<std::int64_t>{1, 2, 10}));
}

} // namespace
