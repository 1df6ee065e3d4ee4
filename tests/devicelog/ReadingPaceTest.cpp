// Which of the chart's readings the journal keeps: the noise of a steady offset is not news, a move
// beyond it is, within a floor of time.
#include "devicelog/ReadingPace.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::int64_t kSecond = 1000000;

LogReading Offset(std::int64_t second, double offset, LampState gps = LampState::On) {
    LogReading reading;
    reading.pcUnixMicros = 1700000000 * kSecond + second * kSecond;
    reading.hasOffset = true;
    reading.offsetSeconds = offset;
    reading.uncertaintySeconds = 0.01F;
    reading.gps = gps;
    return reading;
}

TEST(ReadingPace, KeepsTheFirstAChangeAMoveBeyondTheNoiseAndOneAMinute) {
    const struct {
        LogReading reading;
        bool kept;
    } steps[] = {
        {Offset(0, 0.100), true},
        {Offset(5, 0.115), false}, // within the two readings' 0.02 s
        {Offset(8, 0.300), false}, // moved, but within 10 s
        {Offset(10, 0.300), true},
        {Offset(11, 0.300, LampState::Off), true},
        {Offset(70, 0.300, LampState::Off), false},
        {Offset(71, 0.300, LampState::Off), true},
        {Offset(60, 0.300, LampState::Off), true}, // this PC's clock set back
    };
    CReadingPace pace;
    int step = 0;
    for (const auto& [reading, kept] : steps) {
        EXPECT_EQ(pace.Keeps(reading), kept) << "step " << step++;
    }
}

} // namespace
