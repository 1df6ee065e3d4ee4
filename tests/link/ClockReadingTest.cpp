// The raw getdate reading that an offset is computed from, fed by hand through the dialogue.
#include "DialogueProbe.h"

#include "runtime/PcClock.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kVersionAndGetdate = "# version\r\nVX-1\r\n# getdate\r\n1700000000.5 A\r\n# ";

TEST(ClockReadingTest, KeepsTheReadingAsPrintedWithTheTimeItWasRead) {
    CDialogueProbe probe(kTelnetPort); // the telnet dialect advances its displayed time; the raw one is not
    EXPECT_FALSE(probe.LastClockReading().has_value());
    probe.Feed("picotux login: Password: # ");
    const std::int64_t before = PcClockMicros();
    probe.Feed("cat /etc/version\r\nVX-1\r\n# getdate\r\n1700000000.5 A\r\n# ");
    const std::int64_t after = PcClockMicros();

    const std::optional<TimedClockReading> reading = probe.LastClockReading();
    ASSERT_TRUE(reading.has_value());
    EXPECT_EQ(reading->seconds, 1700000000);
    EXPECT_EQ(reading->micros, 5);
    EXPECT_GE(reading->answeredPcMicros, before);
    EXPECT_LE(reading->answeredPcMicros, after);
}

TEST(ClockReadingTest, UnreadableAnswerAndNewRunForgetTheReading) {
    CDialogueProbe probe(kShellPort);
    probe.Feed(kVersionAndGetdate);
    ASSERT_TRUE(probe.LastClockReading().has_value());
    probe.Feed("ntpq -p\r\n=====\r\n*GPS\r\n# getdate\r\ngetdate: cannot open /dev/rtc\r\n# ");
    EXPECT_FALSE(probe.LastClockReading().has_value());

    probe.ResetRun();
    probe.Feed(kVersionAndGetdate);
    ASSERT_TRUE(probe.LastClockReading().has_value());
    probe.ResetRun();
    EXPECT_FALSE(probe.LastClockReading().has_value());
}

} // namespace
