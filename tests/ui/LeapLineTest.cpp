#include "ui/LeapLine.h"

#include "resources/StringTable.h"
#include "runtime/TimeUnits.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// 2027-06-14 12:00:00 UTC, 2028-02-10 00:00:00 UTC and 2027-12-31 23:59:59 UTC.
constexpr std::int64_t kMidJune2027 = 1812974400;
constexpr std::int64_t kFebruary2028 = 1833753600;
constexpr std::int64_t kLastSecondOf2027 = 1830297599;

NtpResult Answer(int leap, std::int64_t unixSeconds) {
    NtpResult ntp;
    ntp.answered = true;
    ntp.leap = leap;
    ntp.serverUnixMicros = unixSeconds * kMicrosPerSecond;
    return ntp;
}

TEST(LeapLine, NamesTheSecondAndTheLastDayOfTheServedMonth) {
    struct Case {
        const char* name;
        NtpResult ntp;
        std::string line;
    };
    NtpResult unanswered = Answer(1, kMidJune2027);
    unanswered.answered = false;
    for (const Case& c : {
             Case{"no leap second", Answer(0, kMidJune2027), ""},
             Case{"second added in June", Answer(1, kMidJune2027),
                  "Leap second: 23:59:60 UTC on 30 June 2027"},
             Case{"second left out in December, on its last second", Answer(2, kLastSecondOf2027),
                  "Leap second: no 23:59:59 UTC on 31 December 2027"},
             Case{"out of season, in a leap year's February", Answer(1, kFebruary2028),
                  "Leap second: 23:59:60 UTC on 29 February 2028"},
             Case{"clock unsynchronised: a problem, not an announcement", Answer(3, kMidJune2027), ""},
             Case{"no answer", unanswered, ""},
             Case{"served time before 1970", Answer(1, -1), ""},
             Case{"served time past year 9999", Answer(1, 253402300800), ""},
         }) {
        EXPECT_EQ(LeapLine(c.ntp, LoadStringResource), c.line) << c.name;
    }
}

} // namespace
