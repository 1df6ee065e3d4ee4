#include "status/Health.h"
#include "status/RecordFormat.h"

#include <nlohmann/json.hpp>

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

// Healthy, with a GPS reference as the system peer between two other peers.
DeviceRecord WithSystemPeer(unsigned reach, double jitterMs) {
    DeviceRecord record = Healthy();
    const NtpPeer other = *ParsePeerLine("+10.1.1.1  .PPS.  1 u  -  64  377  0.412  -0.104  0.022");
    NtpPeer system = *ParsePeerLine("*GPS_NMEA(0)  .GPS.  0 l  9  16  377  0.000  0.012  0.004");
    system.reach = reach;
    system.jitterMs = jitterMs;
    record.peers = PeerTable{{other, system, other}, 0};
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
        const Health health = AssessHealth(record, HealthLimits{.warnSeconds = 1, .critSeconds = 5});
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
        EXPECT_EQ(AssessHealth(record, HealthLimits{.warnSeconds = 5, .critSeconds = 10}).problems,
                  c.problems)
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

TEST(Health, SystemPeerThatMissesPollsOrJittersIsUnreliable) {
    struct Case {
        unsigned reach;
        double jitterMs;
        double jitterWarnSeconds;
        std::vector<std::string> problems;
    };
    const std::vector<Case> cases = {
        {0377, 0.004, 0.005, {}},
        {0176, 5.0, 0.005, {}}, // 6 of 8 answered, and the limit is exclusive
        {017, 0.004, 0.005, {"GPS reference unreliable: 4 of its last 8 polls answered"}},
        {0377, 7.5, 0.005, {"GPS reference unreliable: jitter beyond 5 ms (7.500 ms)"}},
        {0377, 7.5, 0.01, {}},
    };
    for (const Case& c : cases) {
        const DeviceRecord record = WithSystemPeer(c.reach, c.jitterMs);
        const Health health = AssessHealth(record, HealthLimits{.jitterWarnSeconds = c.jitterWarnSeconds});
        EXPECT_EQ(health.problems, c.problems) << std::oct << c.reach << " " << c.jitterMs;
        EXPECT_EQ(health.severity, c.problems.empty() ? Severity::Ok : Severity::Warning);
    }
    // Peers that all answer badly say nothing while none is the system peer.
    DeviceRecord unselected = WithSystemPeer(0, 99);
    unselected.peers->peers[1].tally = '-';
    EXPECT_EQ(AssessHealth(unselected, HealthLimits{}).severity, Severity::Ok);
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
    EXPECT_EQ(FormatNagios({one}, HealthLimits{}),
              "VANTREX OK - 127.0.9.1 healthy | offset=0.001000s;1;5 ntp_offset=0.001000s;1;5\n");
    record.address = "127.0.9.2";
    record.gpsLocked = false;
    const AssessedRecord two{record, AssessHealth(record, HealthLimits{})};
    EXPECT_EQ(FormatNagios({one, two}, HealthLimits{}),
              "VANTREX WARNING - 127.0.9.2: GPS not locked | 'offset_127.0.9.1'=0.001000s;1;5 "
              "'ntp_offset_127.0.9.1'=0.001000s;1;5 'offset_127.0.9.2'=0.001000s;1;5 "
              "'ntp_offset_127.0.9.2'=0.001000s;1;5\n");
}

} // namespace
