#include "status/Health.h"
#include "status/NagiosOutput.h"
#include "status/RecordFormat.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

DeviceRecord Healthy() {
    DeviceRecord record;
    record.address = "127.0.9.1";
    record.reachable = true;
    record.offsetSeconds = 0.001;
    record.gpsLocked = record.timeSynced = record.macAssigned = true;
    record.ntp = NtpResult{.answered = true,
                           .failure = "",
                           .stratum = 1,
                           .referenceId = "GPS",
                           .leap = 0,
                           .offsetSeconds = 0.001,
                           .delaySeconds = 0,
                           .serverUnixMicros = 0};
    record.ntpShellSeconds = 0;
    return record;
}

// Health is the worst of the rules, and an unknown state breaks none of them; the rules one at a time
// are covered end to end against the simulated device.
TEST(Health, WorstRuleWinsAndUnknownStatesBreakNone) {
    DeviceRecord record = Healthy();
    record.gpsLocked = false;
    record.offsetSeconds = -6;
    Health health = AssessHealth(record, HealthLimits{});
    EXPECT_EQ(health.severity, Severity::Critical);
    EXPECT_EQ(health.problems,
              (std::vector<std::string>{"clock offset beyond 5 s (-6.000 s)", "GPS not locked"}));

    record = Healthy();
    record.timeSynced.reset();
    record.gpsLocked.reset();
    record.ntpShellSeconds.reset();
    EXPECT_EQ(AssessHealth(record, HealthLimits{}).severity, Severity::Ok);
}

// A device not read yet, or one this PC failed to read, has told nothing: its shell or its NTP check.
TEST(Health, PendingAndLocalFailuresAreUnknown) {
    for (const FailureKind kind : {FailureKind::Pending, FailureKind::LocalFailure}) {
        DeviceRecord shell = Healthy();
        shell.reachable = false;
        shell.failure = "no socket";
        shell.failureKind = kind;
        EXPECT_EQ(AssessHealth(shell, HealthLimits{}).severity, Severity::Unknown);
        DeviceRecord ntp = Healthy();
        ntp.ntp = UnansweredNtp("no UDP socket", kind);
        EXPECT_EQ(AssessHealth(ntp, HealthLimits{}).severity, Severity::Unknown);
    }
}

// A device that could not be read may count as UNKNOWN, its unanswered NTP check with it; a device that
// answers but serves no time stays CRITICAL.
TEST(Health, UnreachableCountsAsAsked) {
    const struct {
        bool reachable;
        bool ntp;
        Severity unreachable;
        Severity severity;
    } cases[] = {
        {false, true, Severity::Critical, Severity::Critical},
        {false, true, Severity::Unknown, Severity::Unknown},
        {false, false, Severity::Unknown, Severity::Unknown},
        {true, true, Severity::Unknown, Severity::Critical},
    };
    for (const auto& c : cases) {
        DeviceRecord record = Healthy();
        record.reachable = c.reachable;
        record.failure = c.reachable ? "" : "connection refused";
        record.ntp = UnansweredNtp("no answer (timeout)");
        if (!c.ntp) {
            record.ntp.reset();
        }
        EXPECT_EQ(AssessHealth(record, HealthLimits{.unreachable = c.unreachable}).severity, c.severity)
            << c.reachable << c.ntp;
    }
}

// A range holds the offset's size, and alerts only where all of its uncertainty does.
TEST(Health, RangeLimitsHoldTheOffsetsSize) {
    const HealthLimits limits{.warn = *ParsePluginRange("@10:20"), .crit = *ParsePluginRange("30")};
    const std::vector<std::pair<double, std::string>> cases = {
        {-15, "clock offset inside @10:20 s (-15.000 s ±1 s)"},
        {9.5, "clock offset uncertain against @10:20 s (+9.500 s ±1 s)"},
    };
    for (const auto& [offset, problem] : cases) {
        DeviceRecord record = Healthy();
        record.offsetSeconds = offset;
        record.roundTripSeconds = 2;
        record.ntp.reset();
        EXPECT_EQ(AssessHealth(record, limits).problems, std::vector<std::string>{problem}) << offset;
    }
}

// Both offsets meet the same limits, each only where its whole uncertainty interval lies beyond one:
// the shell offset's is half the round trip, the NTP offset's half the exchange's delay.
TEST(Health, OffsetsMeetTheLimitsBeyondTheirUncertainty) {
    struct Case {
        bool ntp;
        double offset;
        double roundTrip; // or NTP delay
        Severity severity;
        const char* problem; // "" for none
    };
    const std::vector<Case> cases = {
        {false, 1.0, 0, Severity::Ok, ""},
        {false, -1.01, 0, Severity::Warning, "clock offset beyond 1 s (-1.010 s)"},
        {false, 5.0, 0, Severity::Warning, "clock offset beyond 1 s (+5.000 s)"},
        {false, -5.01, 0, Severity::Critical, "clock offset beyond 5 s (-5.010 s)"},
        {false, 1.2, 2.3, Severity::Ok, "clock offset uncertain against 1 s (+1.200 s ±1.15 s)"},
        {false, 4.5, 2, Severity::Warning, "clock offset beyond 1 s, uncertain against 5 s (+4.500 s ±1 s)"},
        {false, 6.5, 2, Severity::Critical, "clock offset beyond 5 s (+6.500 s ±1 s)"},
        {true, 0.95, 0.2, Severity::Ok, "NTP offset uncertain against 1 s (+0.950 s ±0.1 s)"},
        {true, 30, 0.002, Severity::Critical, "NTP offset beyond 5 s (+30.000 s ±0.001 s)"},
        {true, 50000, 0, Severity::Critical, "NTP offset beyond 5 s (+50000 s)"},
        {true, -631152000, 0, Severity::Critical, "NTP offset beyond 5 s (-631152000 s)"},
        {true, -2, -0.5, Severity::Warning,
         "NTP offset beyond 1 s (-2.000 s)"}, // a negative delay is no help
    };
    for (const Case& c : cases) {
        DeviceRecord record = Healthy();
        record.ntpShellSeconds.reset();
        if (c.ntp) {
            record.ntp->offsetSeconds = c.offset;
            record.ntp->delaySeconds = c.roundTrip;
        } else {
            record.offsetSeconds = c.offset;
            record.roundTripSeconds = c.roundTrip;
        }
        const Health health = AssessHealth(record, HealthLimits{.warn = UpTo(1), .crit = UpTo(5)});
        EXPECT_EQ(health.severity, c.severity) << c.offset;
        EXPECT_EQ(health.problems,
                  *c.problem ? std::vector<std::string>{c.problem} : std::vector<std::string>{});
    }
}

// Two offsets within the limits can still be apart; a PC clock that is off moves both alike.
TEST(Health, ServiceAndClockDisagreeOnlyBeyondTheirJointUncertainty) {
    struct Case {
        double roundTrip;
        double delay;
        std::vector<std::string> problems;
    };
    const std::vector<Case> cases = {
        {0.2, 0.2, {"the time service and the device clock disagree by more than 1 s (+4.000 s ±0.2 s)"}},
        {2.3, 4, {}},
    };
    for (const Case& c : cases) {
        DeviceRecord record = Healthy();
        record.offsetSeconds = -2;
        record.roundTripSeconds = c.roundTrip;
        record.ntp->offsetSeconds = 2;
        record.ntp->delaySeconds = c.delay;
        record.ntpShellSeconds = 4;
        EXPECT_EQ(AssessHealth(record, HealthLimits{.warn = UpTo(5), .crit = UpTo(10)}).problems, c.problems)
            << c.roundTrip;
    }
}

TEST(Health, NtpStratumOutsideOneToFifteenIsCritical) {
    for (const auto& [stratum, problem] :
         std::vector<std::pair<int, std::string>>{{0, "NTP stratum 0 (invalid)"},
                                                  {15, ""},
                                                  {16, "NTP stratum 16 (unsynchronised)"},
                                                  {255, "NTP stratum 255 (invalid)"}}) {
        DeviceRecord record = Healthy();
        record.ntp->stratum = stratum;
        const Health health = AssessHealth(record, HealthLimits{});
        EXPECT_EQ(health.severity, problem.empty() ? Severity::Ok : Severity::Critical) << stratum;
        EXPECT_EQ(health.problems,
                  problem.empty() ? std::vector<std::string>{} : std::vector<std::string>{problem});
    }
}

TEST(RecordFormat, IsoTimesAcrossCenturiesAndBefore1970) {
    EXPECT_EQ(FormatIsoUtc(0), "1970-01-01T00:00:00.000000Z");
    EXPECT_EQ(FormatIsoUtc(4102444800000001), "2100-01-01T00:00:00.000001Z");
    EXPECT_EQ(FormatIsoUtc(-1), "1969-12-31T23:59:59.999999Z");
}

// The device text as DeviceText shows it, then escaped as JSON needs: no byte ends the program.
TEST(RecordFormat, JsonKeepsAnyFirmwareTextReadable) {
    DeviceRecord record = Healthy();
    record.firmware = "a\"b\\c\n\x01\xff";
    const std::string json = FormatJson({record, AssessHealth(record, HealthLimits{})});
    EXPECT_NE(json.find(R"("firmware":"a\"b\\c\\x0a\\x01\\xff")"), std::string::npos) << json;
    EXPECT_EQ(json.find('\n'), std::string::npos);
}

TEST(RecordFormat, PrometheusHasNoSamplesOfWhatSaysNothing) {
    DeviceRecord pending;
    pending.address = "127.0.9.2";
    pending.failure = "pending";
    pending.failureKind = FailureKind::Pending;
    DeviceRecord ntpPending = Healthy();
    ntpPending.ntp = UnansweredNtp("no answer yet", FailureKind::Pending);
    const std::string text = FormatPrometheus({{pending, AssessHealth(pending, HealthLimits{})},
                                               {ntpPending, AssessHealth(ntpPending, HealthLimits{})}});
    EXPECT_EQ(text.find("127.0.9.2"), std::string::npos) << text;
    EXPECT_NE(text.find("vantrex_up{address=\"127.0.9.1\"} 1\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("vantrex_ntp_up{"), std::string::npos) << text;
}

// The status line names one device's problems; several get a count by state and a line each. The
// data of each: offsets with their limits, delay, stratum with the strata a server serves at.
TEST(NagiosOutput, OneLineForOneDeviceAndALineEachForSeveral) {
    DeviceRecord record = Healthy();
    record.ntp->delaySeconds = 0.0002;
    const AssessedRecord one{record, AssessHealth(record, HealthLimits{})};
    EXPECT_EQ(FormatNagios({one}, HealthLimits{}),
              "VANTREX OK - 127.0.9.1 healthy | offset=0.001000s;1;5 ntp_offset=0.001000s;1;5 "
              "ntp_delay=0.000200s stratum=1;;1:15\n");
    record.address = "127.0.9.2";
    record.gpsLocked = false;
    record.ntp = UnansweredNtp("no answer");
    const HealthLimits ranges{.warn = *ParsePluginRange("@0.5:2"), .crit = *ParsePluginRange("~:30")};
    const AssessedRecord two{record, AssessHealth(record, ranges)};
    EXPECT_EQ(FormatNagios({one, two}, ranges),
              "VANTREX CRITICAL - 2 devices: 1 CRITICAL, 1 OK | 'offset_127.0.9.1'=0.001000s;@0.5:2;~:30 "
              "'ntp_offset_127.0.9.1'=0.001000s;@0.5:2;~:30 'ntp_delay_127.0.9.1'=0.000200s "
              "'stratum_127.0.9.1'=1;;1:15 'offset_127.0.9.2'=0.001000s;@0.5:2;~:30\n"
              "127.0.9.1 OK\n"
              "127.0.9.2 CRITICAL: NTP: no answer; GPS not locked\n");
}

// From -v on, a device's line is its whole reading; a '|' from the device would start the data.
TEST(NagiosOutput, VerboseLinesCarryTheReadingWithoutABar) {
    DeviceRecord record = Healthy();
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
        DeviceRecord record = Healthy();
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
