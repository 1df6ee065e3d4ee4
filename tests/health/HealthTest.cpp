#include "HealthyReading.h"

#include "health/Health.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

DeviceRecord ShellFailed(const char* failure, FailureKind kind) {
    DeviceRecord record = HealthyReading();
    record.reachable = false;
    record.failure = failure;
    record.failureKind = kind;
    record.offsetSeconds.reset();
    record.gpsLocked = record.timeSynced = record.macAssigned = std::nullopt;
    record.ntpShellSeconds.reset();
    return record;
}

DeviceRecord NtpFailed(NtpResult ntp) {
    DeviceRecord record = HealthyReading();
    record.ntp = std::move(ntp);
    record.ntpShellSeconds.reset();
    return record;
}

// The shell offset with the round trip, or the NTP offset with the exchange's delay; nothing else apart.
DeviceRecord ShellOffset(double offset, double roundTrip) {
    DeviceRecord record = HealthyReading();
    record.ntpShellSeconds.reset();
    record.offsetSeconds = offset;
    record.roundTripSeconds = roundTrip;
    return record;
}

DeviceRecord NtpOffset(double offset, double delay) {
    DeviceRecord record = HealthyReading();
    record.ntpShellSeconds.reset();
    record.ntp->offsetSeconds = offset;
    record.ntp->delaySeconds = delay;
    return record;
}

DeviceRecord Stratum(int stratum) {
    DeviceRecord record = HealthyReading();
    record.ntp->stratum = stratum;
    return record;
}

// Shell at -2 s and NTP at +2 s: 4 s apart, each known to half its round trip or delay.
DeviceRecord Apart(double roundTrip, double delay) {
    DeviceRecord record = HealthyReading();
    record.offsetSeconds = -2;
    record.roundTripSeconds = roundTrip;
    record.ntp->offsetSeconds = 2;
    record.ntp->delaySeconds = delay;
    record.ntpShellSeconds = 4;
    return record;
}

// Shell and NTP offsets as a week rollover leaves them.
DeviceRecord Offsets(double shell, double ntp) {
    DeviceRecord record = HealthyReading();
    record.offsetSeconds = shell;
    record.ntp->offsetSeconds = ntp;
    record.ntpShellSeconds = ntp - shell;
    return record;
}

// A leap second announced in an answer served at that Unix time.
DeviceRecord Leap(int leap, std::int64_t unixSeconds) {
    DeviceRecord record = HealthyReading();
    record.ntp->leap = leap;
    record.ntp->serverUnixMicros = unixSeconds * 1000000;
    return record;
}

DeviceRecord RootDistance(double delay, double dispersion) {
    DeviceRecord record = HealthyReading();
    record.ntp->rootDelaySeconds = delay;
    record.ntp->rootDispersionSeconds = dispersion;
    return record;
}

DeviceRecord With(const std::function<void(DeviceRecord&)>& change) {
    DeviceRecord record = HealthyReading();
    change(record);
    return record;
}

DeviceRecord Unreached() {
    DeviceRecord record = ShellFailed("connection refused", FailureKind::Device);
    record.ntp = UnansweredNtp("no answer");
    return record;
}

NtpResult Kissed() {
    NtpResult ntp = UnansweredNtp("kiss code RATE (rate exceeded)");
    ntp.kissOfDeath = true;
    return ntp;
}

NtpResult Lying() {
    NtpResult ntp = UnansweredNtp("invalid answer: transmit time before receive time");
    ntp.invalid = true;
    return ntp;
}

// Healthy, the window's lamp unlit (no '*' on the table's first two lines), and the system peer on
// line `line` with that tally.
DeviceRecord SystemPeerOnLine(std::size_t line, char tally) {
    DeviceRecord record = WithSystemPeer(0377, 0.004);
    std::swap(record.peers->peers[1], record.peers->peers[line - 1]);
    record.peers->peers[line - 1].tally = tally;
    record.timeSynced = false;
    return record;
}

struct Expected {
    std::string code;
    Severity severity;
    std::string text;
    std::optional<double> value = std::nullopt;
};

struct Row {
    const char* name;
    DeviceRecord record;
    std::vector<Expected> problems; // worst first
    HealthLimits limits = {.warn = UpTo(1), .crit = UpTo(5)};
};

constexpr Severity kOk = Severity::Ok;
constexpr Severity kWarning = Severity::Warning;
constexpr Severity kCritical = Severity::Critical;
constexpr Severity kUnknown = Severity::Unknown;
constexpr double kWeeks1024 = 1024 * 604800.0;
constexpr double kDay = 86400;
constexpr std::int64_t kJune30Last = 1782863999;     // 2026-06-30T23:59:59Z
constexpr std::int64_t kNovember30Last = 1796083199; // 2026-11-30T23:59:59Z

// Every rule: what it is given, and the codes, severities and texts it finds. The device's health is the
// worst of them; an offset meets a limit only where its whole uncertainty interval lies beyond it (the
// shell offset's is half the round trip, the NTP offset's half the exchange's delay).
const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = {
        {"healthy", HealthyReading(), {}},
        {"unknown states break no rule",
         With([](DeviceRecord& r) {
             r.timeSynced = r.gpsLocked = r.macAssigned = std::nullopt;
             r.ntpShellSeconds.reset();
         }),
         {}},
        {"worst first",
         With([](DeviceRecord& r) {
             r.gpsLocked = false;
             r.offsetSeconds = -6;
         }),
         {{"offset", kCritical, "clock offset beyond 5 s (-6.000 s)", -6},
          {"gps-unlocked", kWarning, "GPS not locked"}}},
        {"no system peer",
         With([](DeviceRecord& r) { r.timeSynced = false; }),
         {{"no-system-peer", kCritical, "no system peer"}}},
        {"system peer 'o' on the second line", SystemPeerOnLine(2, 'o'), {}},
        {"system peer '*' on the third line", SystemPeerOnLine(3, '*'), {}},
        {"a table without a system peer, whatever the lamp says",
         With([](DeviceRecord& r) {
             r = WithSystemPeer(0377, 0.004);
             r.peers->peers[1].tally = '+';
         }),
         {{"no-system-peer", kCritical, "no system peer"}}},
        {"system peer answers 6 of its last 8 polls, jitter at the limit", WithSystemPeer(0176, 5.0), {}},
        {"system peer misses polls",
         WithSystemPeer(017, 0.004),
         {{"peer-reach", kWarning, "GPS reference unreliable: 4 of its last 8 polls answered", 4}}},
        {"system peer jitters",
         WithSystemPeer(0377, 7.5),
         {{"peer-jitter", kWarning, "GPS reference unreliable: jitter beyond 0.005 s (0.007500 s)", 0.0075}}},
        {"jitter within a wider limit",
         WithSystemPeer(0377, 7.5),
         {},
         {.warn = UpTo(1), .crit = UpTo(5), .jitterWarnSeconds = 0.01}},
        {"system peer beyond the CRITICAL limits of jitter and reach",
         WithSystemPeer(017, 7.5),
         {{"peer-reach", kCritical, "GPS reference unreliable: 4 of its last 8 polls answered", 4},
          {"peer-jitter", kCritical, "GPS reference unreliable: jitter beyond 0.007 s (0.007500 s)", 0.0075}},
         {.warn = UpTo(1), .crit = UpTo(5), .jitterCritSeconds = 0.007, .reachCritPolls = 5}},
        {"bad peers, none of them the system peer",
         With([](DeviceRecord& r) {
             r = WithSystemPeer(0, 99);
             r.peers->peers[1].tally = '-';
             r.peers->peers[0].tally = '*';
         }),
         {}},
        {"mac unassigned",
         With([](DeviceRecord& r) { r.macAssigned = false; }),
         {{"mac-unassigned", kWarning, "MAC address not assigned"}}},
        {"unreachable, its NTP check unanswered with it",
         Unreached(),
         {{"unreachable", kCritical, "connection refused"}, {"ntp-unanswered", kCritical, "NTP: no answer"}}},
        {"unreachable counted as unknown, its NTP check with it",
         Unreached(),
         {{"unreachable", kUnknown, "connection refused"}, {"ntp-unanswered", kUnknown, "NTP: no answer"}},
         {.warn = UpTo(1), .crit = UpTo(5), .unreachable = kUnknown}},
        {"a device reached serves no time: critical however unreachable counts",
         NtpFailed(UnansweredNtp("no answer")),
         {{"ntp-unanswered", kCritical, "NTP: no answer"}},
         {.warn = UpTo(1), .crit = UpTo(5), .unreachable = kUnknown}},
        {"an unreadable answer is critical however unreachable counts",
         ShellFailed("getdate answer unreadable: 'garbage'", FailureKind::Unreadable),
         {{"answer-unreadable", kCritical, "getdate answer unreadable: 'garbage'"}},
         {.warn = UpTo(1), .crit = UpTo(5), .unreachable = kUnknown}},
        {"not read: the run's deadline came first",
         With([](DeviceRecord& r) {
             r = ShellFailed("not read: the run's deadline came first", FailureKind::NotRead);
             r.ntp.reset();
         }),
         {{"not-read", kUnknown, "not read: the run's deadline came first"}}},
        {"critical before unknown, as the plugins rank them",
         With([](DeviceRecord& r) {
             r.ntp = UnansweredNtp("no UDP socket", FailureKind::LocalFailure);
             r.ntpShellSeconds.reset();
             r.offsetSeconds = -6;
         }),
         {{"offset", kCritical, "clock offset beyond 5 s (-6.000 s)", -6},
          {"ntp-local-failure", kUnknown, "NTP: no UDP socket"}}},
        {"pending", ShellFailed("pending", FailureKind::Pending), {{"pending", kUnknown, "pending"}}},
        {"local failure",
         ShellFailed("no socket", FailureKind::LocalFailure),
         {{"local-failure", kUnknown, "no socket"}}},
        {"interrupted",
         With([](DeviceRecord& r) {
             r = ShellFailed("interrupted", FailureKind::Device);
             r.interrupted = true;
         }),
         {{"interrupted", kUnknown, "interrupted"}}},
        {"ntp unanswered",
         NtpFailed(UnansweredNtp("no answer")),
         {{"ntp-unanswered", kCritical, "NTP: no answer"}}},
        {"ntp kiss", NtpFailed(Kissed()), {{"ntp-kiss", kCritical, "NTP: kiss code RATE (rate exceeded)"}}},
        {"ntp answer whose times cannot be true",
         NtpFailed(Lying()),
         {{"ntp-invalid", kCritical, "NTP: invalid answer: transmit time before receive time"}},
         {.warn = UpTo(1), .crit = UpTo(5), .unreachable = kUnknown}},
        {"ntp pending",
         NtpFailed(UnansweredNtp("no answer yet", FailureKind::Pending)),
         {{"ntp-pending", kUnknown, "NTP: no answer yet"}}},
        {"ntp local failure",
         NtpFailed(UnansweredNtp("no UDP socket", FailureKind::LocalFailure)),
         {{"ntp-local-failure", kUnknown, "NTP: no UDP socket"}}},
        {"stratum 0", Stratum(0), {{"ntp-stratum", kCritical, "NTP stratum 0 (invalid)", 0}}},
        {"stratum 15", Stratum(15), {}},
        {"stratum 16", Stratum(16), {{"ntp-stratum", kCritical, "NTP stratum 16 (unsynchronised)", 16}}},
        {"stratum above the WARNING limit, within the CRITICAL",
         Stratum(3),
         {{"ntp-stratum", kWarning, "NTP stratum 3 above 2", 3}},
         {.warn = UpTo(1), .crit = UpTo(5), .stratumWarn = 2, .stratumCrit = 3}},
        {"stratum above the CRITICAL limit",
         Stratum(4),
         {{"ntp-stratum", kCritical, "NTP stratum 4 above 3", 4}},
         {.warn = UpTo(1), .crit = UpTo(5), .stratumWarn = 2, .stratumCrit = 3}},
        {"stratum 255", Stratum(255), {{"ntp-stratum", kCritical, "NTP stratum 255 (invalid)", 255}}},
        {"leap 3",
         With([](DeviceRecord& r) { r.ntp->leap = 3; }),
         {{"ntp-leap", kCritical, "NTP leap indicator 3 (clock not synchronised)", 3}}},
        {"offset at the limit", ShellOffset(1.0, 0), {}},
        {"offset warns",
         ShellOffset(-1.01, 0),
         {{"offset", kWarning, "clock offset beyond 1 s (-1.010 s)", -1.01}}},
        {"offset at crit warns",
         ShellOffset(5.0, 0),
         {{"offset", kWarning, "clock offset beyond 1 s (+5.000 s)", 5}}},
        {"offset critical",
         ShellOffset(-5.01, 0),
         {{"offset", kCritical, "clock offset beyond 5 s (-5.010 s)", -5.01}}},
        {"offset uncertain",
         ShellOffset(1.2, 2.3),
         {{"offset-uncertain", kOk, "clock offset uncertain against 1 s (+1.200 s ±1.15 s)", 1.2}}},
        {"offset warns, uncertain against crit",
         ShellOffset(4.5, 2),
         {{"offset", kWarning, "clock offset beyond 1 s, uncertain against 5 s (+4.500 s ±1 s)", 4.5}}},
        {"offset critical beyond its uncertainty",
         ShellOffset(6.5, 2),
         {{"offset", kCritical, "clock offset beyond 5 s (+6.500 s ±1 s)", 6.5}}},
        {"offset inside a range",
         ShellOffset(-15, 2),
         {{"offset", kWarning, "clock offset inside @10:20 s (-15.000 s ±1 s)", -15}},
         {.warn = *ParsePluginRange("@10:20"), .crit = UpTo(30)}},
        {"offset uncertain against a range",
         ShellOffset(9.5, 2),
         {{"offset-uncertain", kOk, "clock offset uncertain against @10:20 s (+9.500 s ±1 s)", 9.5}},
         {.warn = *ParsePluginRange("@10:20"), .crit = UpTo(30)}},
        {"ntp offset uncertain",
         NtpOffset(0.95, 0.2),
         {{"ntp-offset-uncertain", kOk, "NTP offset uncertain against 1 s (+0.950 s ±0.1 s)", 0.95}}},
        {"ntp offset critical",
         NtpOffset(30, 0.002),
         {{"ntp-offset", kCritical, "NTP offset beyond 5 s (+30.000 s ±0.001 s)", 30}}},
        {"ntp offset in whole seconds",
         NtpOffset(50000, 0),
         {{"ntp-offset", kCritical, "NTP offset beyond 5 s (+50000 s)", 50000}}},
        {"ntp offset decades off",
         NtpOffset(-631152000, 0),
         {{"ntp-offset", kCritical, "served date is 7305 days off: NTP offset beyond 5 s (-631152000 s)",
           -631152000}}},
        {"offset of a day",
         ShellOffset(kDay, 0),
         {{"offset", kCritical, "device date is 1 day off: clock offset beyond 5 s (+86400 s)", kDay}}},
        {"1024 weeks behind, clock and service alike",
         Offsets(-kWeeks1024 + 3600, -kWeeks1024 + 3600),
         {{"week-rollover", kCritical, "device date is 1024 weeks behind: GPS week-number rollover",
           -kWeeks1024 + 3600}}},
        {"2048 weeks and 2 days behind, the service right",
         Offsets(-2 * kWeeks1024 - 2 * kDay, 0.001),
         {{"week-rollover", kCritical, "device date is 2048 weeks behind: GPS week-number rollover",
           -2 * kWeeks1024 - 2 * kDay}}},
        {"the service 1024 weeks less 2 days behind, the clock right",
         Offsets(0.001, -kWeeks1024 + 2 * kDay),
         {{"week-rollover", kCritical, "device date is 1024 weeks behind: GPS week-number rollover",
           -kWeeks1024 + 2 * kDay}}},
        {"behind by any other amount",
         ShellOffset(-kWeeks1024 - 2 * kDay - 1, 0),
         {{"offset", kCritical, "device date is 7170 days off: clock offset beyond 5 s (-619488001 s)",
           -kWeeks1024 - 2 * kDay - 1}}},
        {"1024 weeks ahead is no rollover",
         NtpOffset(kWeeks1024, 0),
         {{"ntp-offset", kCritical, "served date is 7168 days off: NTP offset beyond 5 s (+619315200 s)",
           kWeeks1024}}},
        {"leap second announced on the last second of June", Leap(1, kJune30Last), {}},
        {"leap second announced in July",
         Leap(2, kJune30Last + 1),
         {{"ntp-leap-month", kWarning, "leap second announced outside June/December", 2}}},
        {"leap second announced in November",
         Leap(1, kNovember30Last),
         {{"ntp-leap-month", kWarning, "leap second announced outside June/December", 1}}},
        {"leap second announced in December", Leap(1, kNovember30Last + 1), {}},
        {"root distance at the limit", RootDistance(0.5, 1.25), {}},
        {"root distance beyond the limit",
         RootDistance(0.5, 1.375),
         {{"ntp-root-distance", kWarning, "NTP root distance beyond 1.5 s (1.625 s)", 1.625}}},
        {"negative delay is no help",
         NtpOffset(-2, -0.5),
         {{"ntp-offset", kWarning, "NTP offset beyond 1 s (-2.000 s)", -2}}},
        {"service and clock disagree",
         Apart(0.2, 0.2),
         {{"ntp-disagrees", kWarning,
           "the time service and the device clock disagree by more than 1 s (+4.000 s ±0.2 s)", 4}},
         {.warn = UpTo(5), .crit = UpTo(10)}},
        {"apart within the joint uncertainty", Apart(2.3, 4), {}, {.warn = UpTo(5), .crit = UpTo(10)}},
    };
    return rows;
}

// Of several results the worst is the plugins' own order: a set-up that does not notify on UNKNOWN must
// still hear of CRITICAL.
TEST(Health, SeveritiesRankAsThePluginsRankThem) {
    const Severity order[] = {kOk, kUnknown, kWarning, kCritical};
    for (std::size_t better = 0; better < std::size(order); ++better) {
        for (std::size_t worse = better; worse < std::size(order); ++worse) {
            EXPECT_EQ(Worse(order[better], order[worse]), order[worse]) << better << ' ' << worse;
            EXPECT_EQ(Worse(order[worse], order[better]), order[worse]) << better << ' ' << worse;
        }
    }
}

TEST(Health, EveryRuleGivesItsCodeSeverityTextAndValue) {
    for (const Row& row : Rows()) {
        const Health health = AssessHealth(row.record, row.limits);
        ASSERT_EQ(health.problems.size(), row.problems.size()) << row.name;
        for (std::size_t index = 0; index < row.problems.size(); ++index) {
            const Problem& found = health.problems[index];
            const Expected& expected = row.problems[index];
            EXPECT_EQ(ProblemCodeName(found.code), expected.code) << row.name;
            EXPECT_EQ(found.severity, expected.severity) << row.name;
            EXPECT_EQ(found.text, expected.text) << row.name;
            EXPECT_EQ(found.value, expected.value) << row.name;
        }
        EXPECT_EQ(health.severity, row.problems.empty() ? Severity::Ok : row.problems.front().severity)
            << row.name;
    }
}

} // namespace
