// The monitoring-plugin output: the status line, a line per device, the performance data, the 8 KB cap.
#include "report/NagiosOutput.h"

#include "tests/health/HealthyReading.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The status line names one device's problems; several get a count by state and a line each. The
// data of each: offsets with their limits, delay, stratum with the strata a server serves at, and the
// bounds of those that have them (a delay is never negative, a stratum ends at 16).
TEST(NagiosOutput, OneLineForOneDeviceAndALineEachForSeveral) {
    DeviceRecord record = HealthyReading();
    record.ntp->delaySeconds = 0.0002;
    const AssessedRecord one{record, AssessHealth(record, HealthLimits{})};
    EXPECT_EQ(FormatNagios({one}, HealthLimits{}),
              "VANTREX OK - 127.0.9.1 healthy | offset=0.001000s;1;5 ntp_offset=0.001000s;1;5 "
              "ntp_delay=0.000200s;;;0 stratum=1;;1:15;0;16\n");
    record.address = "127.0.9.2";
    record.gpsLocked = false;
    record.ntp = UnansweredNtp("no answer");
    const HealthLimits ranges{.warn = *ParsePluginRange("@0.5:2"), .crit = *ParsePluginRange("~:30")};
    const AssessedRecord two{record, AssessHealth(record, ranges)};
    EXPECT_EQ(FormatNagios({one, two}, ranges),
              "VANTREX CRITICAL - 2 devices: 1 CRITICAL, 1 OK | 'offset_127.0.9.1'=0.001000s;@0.5:2;~:30 "
              "'ntp_offset_127.0.9.1'=0.001000s;@0.5:2;~:30 'ntp_delay_127.0.9.1'=0.000200s;;;0 "
              "'stratum_127.0.9.1'=1;;1:15;0;16 'offset_127.0.9.2'=0.001000s;@0.5:2;~:30\n"
              "127.0.9.1 OK\n"
              "127.0.9.2 CRITICAL: NTP: no answer; GPS not locked\n");
}

// A reserved stratum is unsynchronised in the data, which stay within their declared bounds.
TEST(NagiosOutput, AStratumBeyondTheBoundsIsUnsynchronised) {
    DeviceRecord record = HealthyReading();
    record.ntp->stratum = 255;
    const std::string output = FormatNagios({{record, AssessHealth(record, HealthLimits{})}}, HealthLimits{});
    EXPECT_NE(output.find(" stratum=16;;1:15;0;16\n"), std::string::npos) << output;
}

// The system peer's data with the limits and bounds of each: jitter from 0, reach from 0 to 8.
TEST(NagiosOutput, PeerDataHasItsBounds) {
    const DeviceRecord record = WithSystemPeer(0377, 0.004);
    const HealthLimits limits{.jitterCritSeconds = 0.05, .reachCritPolls = 2};
    const std::string output = FormatNagios({{record, AssessHealth(record, limits)}}, limits);
    EXPECT_NE(output.find(" peer_offset=0.000012s jitter=0.000004s;0.005;0.05;0 reach=8;6:;2:;0;8\n"),
              std::string::npos)
        << output;
}

// Of several results the worst is the plugins' own: CRITICAL, then WARNING, then UNKNOWN, so that a
// set-up that does not notify on UNKNOWN still hears of a CRITICAL device beside one not read.
TEST(NagiosOutput, CriticalOutranksUnknown) {
    DeviceRecord critical = HealthyReading();
    critical.offsetSeconds = 30;
    critical.ntpShellSeconds.reset();
    DeviceRecord unreachable;
    unreachable.address = "127.0.9.2";
    unreachable.failure = "connection refused";
    const HealthLimits limits{.unreachable = Severity::Unknown};
    const std::string output = FormatNagios(
        {{critical, AssessHealth(critical, limits)}, {unreachable, AssessHealth(unreachable, limits)}},
        limits);
    EXPECT_TRUE(output.starts_with("VANTREX CRITICAL - 2 devices: 1 CRITICAL, 1 UNKNOWN | ")) << output;
    EXPECT_TRUE(FormatNagios({{critical, AssessHealth(critical, limits)}}, limits, 0, "cannot write 'x'")
                    .starts_with("VANTREX CRITICAL - cannot write 'x'; 127.0.9.1: clock offset beyond 5 s"));
}

// From -v on, a device's line is its whole reading; a '|' from the device would start the data.
TEST(NagiosOutput, VerboseLinesCarryTheReadingWithoutABar) {
    DeviceRecord record = HealthyReading();
    record.firmware = "2.4|1";
    const std::string output =
        FormatNagios({{record, AssessHealth(record, HealthLimits{})}}, HealthLimits{}, 1);
    const std::string second = output.substr(output.find('\n') + 1);
    EXPECT_TRUE(second.starts_with("127.0.9.1       OK       ") &&
                second.find("2.4\\x7c1") != std::string::npos)
        << second;
    EXPECT_EQ(second.find('|'), std::string::npos) << second;
}

// A fleet too large for what a monitoring host reads keeps the troubled devices and counts the rest.
TEST(NagiosOutput, LargeFleetKeepsTheTroubledDevicesUnder8KB) {
    std::vector<AssessedRecord> records;
    for (int device = 1; device <= 250; ++device) {
        DeviceRecord record = HealthyReading();
        record.address = "127.0." + std::to_string(device / 200) + '.' + std::to_string(device % 200);
        record.gpsLocked = device != 250;
        records.push_back({record, AssessHealth(record, HealthLimits{})});
    }
    const std::string output = FormatNagios(records, HealthLimits{});
    EXPECT_LT(output.size(), kLargestNagiosOutput);
    EXPECT_TRUE(output.starts_with("VANTREX WARNING - 250 devices: 1 WARNING, 249 OK | ")) << output;
    EXPECT_NE(output.find("\n127.0.1.50 WARNING: GPS not locked\n"), std::string::npos) << output;
    const std::size_t lines = static_cast<std::size_t>(std::count(output.begin(), output.end(), '\n'));
    const std::string last = output.substr(output.rfind('\n', output.size() - 2) + 1);
    EXPECT_EQ(last,
              std::to_string(250 - (lines - 2)) + " more devices left out to keep the output under 8 KB\n");
}

} // namespace
