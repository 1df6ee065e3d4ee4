#include "report/RecordFormat.h"

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

// The text line says why a device is not OK, as the Nagios lines do; what the line shows already (a
// failure, an NTP failure) is not said twice.
TEST(RecordFormat, LineEndsWithTheProblemsItDoesNotShowYet) {
    const DeviceRecord unreliable = WithSystemPeer(017, 0.004);
    EXPECT_TRUE(FormatLine(Assessed(unreliable))
                    .ends_with("reach 4/8  ntp stratum 1 GPS +0.001000s±0.000s root distance 0.000000s"
                               " - GPS reference unreliable: 4 of its last 8 polls answered"))
        << FormatLine(Assessed(unreliable));
    DeviceRecord unreachable = HealthyReading();
    unreachable.reachable = false;
    unreachable.failure = "connection refused";
    unreachable.ntp = UnansweredNtp("no answer");
    EXPECT_EQ(FormatLine(Assessed(unreachable)),
              "127.0.9.1       CRITICAL connection refused  ntp no answer");
    EXPECT_TRUE(FormatLine(Assessed(HealthyReading())).ends_with(" root distance 0.000000s"))
        << FormatLine(Assessed(HealthyReading()));
}

// A system peer anywhere in the table, '*' or 'o', is time sync in every output, as it is to the rules.
TEST(RecordFormat, TimeSyncedIsASystemPeerAnywhereInTheTable) {
    DeviceRecord record = WithSystemPeer(0377, 0.004);
    std::swap(record.peers->peers[1], record.peers->peers[2]);
    record.peers->peers[2].tally = 'o';
    record.timeSynced = false; // the window's lamp: no '*' on the first two lines
    const AssessedRecord assessed = Assessed(record);
    EXPECT_NE(FormatLine(assessed).find(" synced "), std::string::npos) << FormatLine(assessed);
    EXPECT_EQ(nlohmann::json::parse(FormatJson(assessed))["time_synced"], true);
    EXPECT_NE(FormatPrometheus({assessed}).find("vantrex_time_synced{address=\"127.0.9.1\"} 1\n"),
              std::string::npos);
}

// A result a watch shows again between two checks says how old it is.
TEST(RecordFormat, JsonGivesTheAgeOfTheNtpResult) {
    DeviceRecord record = HealthyReading();
    record.ntp->ageSeconds = 12.5;
    EXPECT_EQ(nlohmann::json::parse(FormatJson(Assessed(record)))["ntp"]["age_seconds"], 12.5);
}

TEST(RecordFormat, PrometheusHasNoSamplesOfWhatSaysNothing) {
    DeviceRecord pending;
    pending.address = "127.0.9.2";
    pending.failure = "pending";
    pending.failureKind = FailureKind::Pending;
    DeviceRecord notRead = pending;
    notRead.address = "127.0.9.3";
    notRead.failure = "not read: the run's deadline came first";
    notRead.failureKind = FailureKind::NotRead;
    DeviceRecord ntpPending = HealthyReading();
    ntpPending.ntp = UnansweredNtp("no answer yet", FailureKind::Pending);
    const std::string text = FormatPrometheus({Assessed(pending), Assessed(notRead), Assessed(ntpPending)});
    EXPECT_EQ(text.find("127.0.9.2"), std::string::npos) << text;
    EXPECT_EQ(text.find("127.0.9.3"), std::string::npos) << text;
    EXPECT_NE(text.find("vantrex_up{address=\"127.0.9.1\"} 1\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("vantrex_ntp_up{"), std::string::npos) << text;
    EXPECT_EQ(text.find("vantrex_problem{"), std::string::npos) << text;
}

// One sample per current problem, its address escaped as every label is, and its severity beside it as
// the exit status would give it.
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
    EXPECT_NE(text.find("# TYPE vantrex_problem_severity gauge\n"
                        "vantrex_problem_severity{address=\"a\\\"b\",code=\"no-system-peer\"} 2\n"
                        "vantrex_problem_severity{address=\"a\\\"b\",code=\"gps-unlocked\"} 1\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("vantrex_problem{address=\"127.0.9.1\""), std::string::npos) << text;
}

// A device whose answer could not be read is down, with its problem.
TEST(RecordFormat, PrometheusShowsADeviceWhoseAnswerCouldNotBeReadDown) {
    DeviceRecord record = HealthyReading();
    record.reachable = false;
    record.failure = "getdate answer unreadable: 'x'";
    record.failureKind = FailureKind::Unreadable;
    const std::string text = FormatPrometheus({Assessed(record)});
    EXPECT_NE(text.find("vantrex_up{address=\"127.0.9.1\"} 0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("vantrex_problem{address=\"127.0.9.1\",code=\"answer-unreadable\"} 1\n"),
              std::string::npos)
        << text;
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
