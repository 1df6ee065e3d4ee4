#include "ui/StatusDisplay.h"
#include "resources/StringTable.h"
#include "ui/TimeLines.h"

#include "tests/support/TimeZoneScope.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

// The program's own texts: month names and status messages as the window shows them.
std::string TestString(int id) {
    return LoadStringResource(id);
}

std::optional<std::string> UtcLine(std::int64_t seconds) {
    return FormatTimeLine(seconds, CivilZone::Utc, TestString);
}

std::optional<std::string> LocalLine(std::int64_t seconds) {
    return FormatTimeLine(seconds, CivilZone::Local, TestString);
}

StatusReading Reading(std::int64_t seconds, bool macUnassigned) {
    StatusReading reading;
    reading.deviceTime = seconds;
    reading.macUnassigned = macUnassigned;
    return reading;
}

constexpr std::int64_t kSeptember2001 = 1000000000;
constexpr std::int64_t kLastSecondOf9999 = 253402300799;

TEST(TimeLines, UtcLineShowsTheCalendarWithFourDigitYears) {
    EXPECT_EQ(UtcLine(kSeptember2001), "01:46:40    09 September 2001    UTC");
    EXPECT_EQ(UtcLine(1), "00:00:01    01 January 1970    UTC");
    EXPECT_EQ(UtcLine(4102444800), "00:00:00    01 January 2100    UTC");
    EXPECT_EQ(UtcLine(kLastSecondOf9999), "23:59:59    31 December 9999    UTC");
}

TEST(TimeLines, TimesTheCalendarCannotShowGiveNoLine) {
    EXPECT_EQ(UtcLine(-1), std::nullopt);
    EXPECT_EQ(UtcLine(kLastSecondOf9999 + 1), std::nullopt);
    EXPECT_EQ(UtcLine(INT64_MAX), std::nullopt);
    EXPECT_EQ(LocalLine(-1), std::nullopt);
    EXPECT_EQ(LocalLine(INT64_MAX), std::nullopt);
}

TEST(TimeLines, LocalLineFollowsThePcTimeZone) {
    {
        const CTimeZoneScope zone("IST-5:30");
        EXPECT_EQ(LocalLine(kSeptember2001), "07:16:40    09 September 2001    Local");
    }
    {
        // Crosses midnight backwards, in winter time.
        const CTimeZoneScope zone("EST5EDT");
        EXPECT_EQ(LocalLine(1), "19:00:01    31 December 1969    Local");
    }
}

TEST(TimeLines, LocalLineAppliesDaylightSaving) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine's C runtime takes no daylight-saving rule from TZ";
#endif
    const CTimeZoneScope zone("EST5EDT,M3.2.0,M11.1.0");
    EXPECT_EQ(LocalLine(kSeptember2001), "21:46:40    08 September 2001    Local");
}

TEST(StatusDisplay, LampsShowGreyRedGreen) {
    EXPECT_EQ(LampBitmapFor(std::nullopt), 137);
    EXPECT_EQ(LampBitmapFor(false), 135);
    EXPECT_EQ(LampBitmapFor(true), 136);
}

TEST(StatusDisplay, NoDeviceTimeWaitsAndDisablesThePanel) {
    StatusReading status;
    status.timeSync = false;
    status.gps = true;
    const StatusView fresh = ComputeStatusView(status, false, TestString);
    EXPECT_EQ(fresh.statusLine, "Connected - Please Wait");
    EXPECT_EQ(fresh.localLine, "");
    EXPECT_EQ(fresh.versionLine, "");
    EXPECT_EQ(fresh.panel, PanelTransition::None);
    EXPECT_EQ(fresh.timeSyncLampBitmap, 135);
    EXPECT_EQ(fresh.gpsLampBitmap, 136);
    EXPECT_EQ(ComputeStatusView(status, true, TestString).panel, PanelTransition::Disable);
}

TEST(StatusDisplay, ValidTimeShowsBothLinesAndEnablesThePanelOnce) {
    const CTimeZoneScope zone("IST-5:30");
    StatusReading status = Reading(kSeptember2001, false);
    status.firmwareVersion = "2.14";
    const StatusView view = ComputeStatusView(status, false, TestString);
    EXPECT_EQ(view.statusLine, "01:46:40    09 September 2001    UTC");
    EXPECT_EQ(view.localLine, "07:16:40    09 September 2001    Local");
    EXPECT_EQ(view.versionLine, "Version 2.14");
    EXPECT_EQ(view.panel, PanelTransition::Enable);
    EXPECT_EQ(view.timeSyncLampBitmap, 137);
    EXPECT_EQ(ComputeStatusView(status, true, TestString).panel, PanelTransition::None);
}

TEST(StatusDisplay, MacUnassignedKeepsTheLocalLine) {
    const StatusReading status = Reading(kSeptember2001, true);
    const StatusView view = ComputeStatusView(status, false, TestString);
    EXPECT_EQ(view.statusLine, "MAC address not assigned");
    EXPECT_EQ(view.localLine, std::nullopt);
    EXPECT_EQ(view.panel, PanelTransition::Enable);
}

TEST(StatusDisplay, TimeBeyondTheCalendarCountsAsNoTime) {
    for (const std::int64_t seconds : {std::int64_t{-5}, kLastSecondOf9999 + 1}) {
        for (const bool macUnassigned : {false, true}) {
            const StatusView view = ComputeStatusView(Reading(seconds, macUnassigned), true, TestString);
            EXPECT_EQ(view.statusLine, "Connected - Please Wait");
            EXPECT_EQ(view.localLine, "");
            EXPECT_EQ(view.panel, PanelTransition::Disable);
        }
    }
}

} // namespace
