#include "status/RecordFormat.h"

#include "tests/health/HealthyReading.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

namespace {

AssessedRecord Assessed(const DeviceRecord& record) {
    return {record, AssessHealth(record, HealthLimits{})};
}

TEST(RecordFormat, IsoTimesAcrossCenturiesAndBefore1970) {
    EXPECT_EQ(FormatIsoUtc(0), "1970-01-01T00:00:00.000000Z");
    EXPECT_EQ(FormatIsoUtc(4102444800000001), "2100-01-01T00:00:00.000001Z");
    EXPECT_EQ(FormatIsoUtc(-1), "1969-12-31T23:59:59.999999Z");
}

// The device text as DeviceText shows it, then escaped as JSON needs: no byte ends the program.
TEST(RecordFormat, JsonKeepsAnyFirmwareTextReadable) {
    DeviceRecord record = HealthyReading();
    record.firmware = "a\"b\\c\n\x01\xff";
    const std::string json = FormatJson(Assessed(record));
    EXPECT_NE(json.find(R"("firmware":"a\"b\\c\\x0a\\x01\\xff")"), std::string::npos) << json;
    EXPECT_EQ(json.find('\n'), std::string::npos);
}

TEST(RecordFormat, JsonProblemsWithCodeSeverityTextAndValue) {
    DeviceRecord record = HealthyReading();
    record.gpsLocked = false;
    record.ntp->offsetSeconds = 30;
    record.ntpShellSeconds.reset();
    EXPECT_NE(FormatJson(Assessed(record))
                  .find(R"j("problems":[{"code":"ntp-offset","severity":"CRITICAL",)j"
                        R"j("text":"NTP offset beyond 5 s (+30.000 s)","value":30.0},)j"
                        R"j({"code":"gps-unlocked","severity":"WARNING","text":"GPS not locked"}])j"),
              std::string::npos)
        << FormatJson(Assessed(record));
}

// Every peer in JSON, its names escaped as device text, times in seconds; the system peer alone in
// the line and in Prometheus.
TEST(RecordFormat, PeersInEveryFormat) {
    DeviceRecord record = WithSystemPeer(017, 7.5);
    record.peers->peers[0].remote = "evil\x1b[2J";
    record.peers->unkeptPeers = 3;
    const AssessedRecord assessed{record, AssessHealth(record, HealthLimits{})};
    const nlohmann::json json = nlohmann::json::parse(FormatJson(assessed));
    ASSERT_EQ(json["peers"].size(), 3u);
    EXPECT_EQ(json["peers"][0]["remote"], "evil\\x1b[2J");
    EXPECT_EQ(json["peers"][0]["when_seconds"], nullptr);
    const nlohmann::json& system = json["peers"][1];
    EXPECT_EQ(system["tally"], "*");
    EXPECT_EQ(system["reach"], "17");
    EXPECT_EQ(system["polls_answered"], 4);
    EXPECT_EQ(system["poll_seconds"], 16);
    EXPECT_DOUBLE_EQ(system["jitter_seconds"].get<double>(), 0.0075);
    EXPECT_EQ(json["peers_omitted"], 3);

    EXPECT_NE(FormatLine(assessed).find("  peer GPS_NMEA(0) +0.000012s jitter 0.007500s reach 4/8  ntp "),
              std::string::npos)
        << FormatLine(assessed);
    const std::string metrics = FormatPrometheus({assessed});
    for (const char* sample : {"# TYPE vantrex_peer_offset_seconds gauge\n",
                               "vantrex_peer_offset_seconds{address=\"127.0.9.1\"} 1.2e-05\n",
                               "vantrex_peer_jitter_seconds{address=\"127.0.9.1\"} 0.0075\n",
                               "vantrex_peer_reach{address=\"127.0.9.1\"} 4\n"}) {
        EXPECT_NE(metrics.find(sample), std::string::npos) << sample << metrics;
    }
}

TEST(RecordFormat, PrometheusHasNoSamplesOfWhatSaysNothing) {
    DeviceRecord pending;
    pending.address = "127.0.9.2";
    pending.failure = "pending";
    pending.failureKind = FailureKind::Pending;
    DeviceRecord ntpPending = HealthyReading();
    ntpPending.ntp = UnansweredNtp("no answer yet", FailureKind::Pending);
    const std::string text = FormatPrometheus({Assessed(pending), Assessed(ntpPending)});
    EXPECT_EQ(text.find("127.0.9.2"), std::string::npos) << text;
    EXPECT_NE(text.find("vantrex_up{address=\"127.0.9.1\"} 1\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("vantrex_ntp_up{"), std::string::npos) << text;
    EXPECT_EQ(text.find("vantrex_problem{"), std::string::npos) << text;
}

// One sample per current problem, its address escaped as every label is.
TEST(RecordFormat, PrometheusProblemsByCode) {
    DeviceRecord record = HealthyReading();
    record.address = "a\"b";
    record.gpsLocked = false;
    record.timeSynced = false;
    const std::string text = FormatPrometheus({Assessed(record), Assessed(HealthyReading())});
    EXPECT_NE(text.find("# HELP vantrex_problem "), std::string::npos) << text;
    EXPECT_NE(text.find("# TYPE vantrex_problem gauge\n"
                        "vantrex_problem{address=\"a\\\"b\",code=\"no-system-peer\"} 1\n"
                        "vantrex_problem{address=\"a\\\"b\",code=\"gps-unlocked\"} 1\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("vantrex_problem{address=\"127.0.9.1\""), std::string::npos) << text;
}

// An unreachable device counted as UNKNOWN (--unreachable unknown) is still down: that choice is the
// monitoring host's, and the textfile keeps the device's problems.
TEST(RecordFormat, PrometheusKeepsTheProblemsOfAnUnreachableDeviceCountedUnknown) {
    DeviceRecord record = HealthyReading();
    record.reachable = false;
    record.failure = "connection refused";
    record.ntp = UnansweredNtp("no answer");
    const std::string text =
        FormatPrometheus({{record, AssessHealth(record, HealthLimits{.unreachable = Severity::Unknown})}});
    EXPECT_NE(text.find("vantrex_problem{address=\"127.0.9.1\",code=\"unreachable\"} 1\n"
                        "vantrex_problem{address=\"127.0.9.1\",code=\"ntp-unanswered\"} 1\n"),
              std::string::npos)
        << text;
}

} // namespace
