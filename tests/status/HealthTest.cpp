#include "status/Health.h"
#include "status/RecordFormat.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(health.problems, (std::vector<std::string>{"clock offset beyond 5 s", "GPS not locked"}));

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

TEST(Health, OffsetLimitsAreExclusiveAndSymmetric) {
    const HealthLimits limits{.warnSeconds = 1, .critSeconds = 5};
    for (const auto& [offset, expected] :
         std::vector<std::pair<double, Severity>>{{1.0, Severity::Ok},
                                                  {-1.01, Severity::Warning},
                                                  {5.0, Severity::Warning},
                                                  {-5.01, Severity::Critical}}) {
        DeviceRecord record = Healthy();
        record.offsetSeconds = offset;
        EXPECT_EQ(AssessHealth(record, limits).severity, expected) << offset;
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

TEST(RecordFormat, NagiosLineForOneAndForSeveralDevices) {
    DeviceRecord record = Healthy();
    const AssessedRecord one{record, AssessHealth(record, HealthLimits{})};
    EXPECT_EQ(FormatNagios({one}, HealthLimits{}), "VANTREX OK - 127.0.9.1 healthy | offset=0.001000s;1;5\n");
    record.address = "127.0.9.2";
    record.gpsLocked = false;
    const AssessedRecord two{record, AssessHealth(record, HealthLimits{})};
    EXPECT_EQ(FormatNagios({one, two}, HealthLimits{}),
              "VANTREX WARNING - 127.0.9.2: GPS not locked | 'offset_127.0.9.1'=0.001000s;1;5 "
              "'offset_127.0.9.2'=0.001000s;1;5\n");
}

} // namespace
