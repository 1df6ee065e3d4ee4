#include "Health.h"

#include "OffsetLimits.h"
#include "WeekRollover.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

// How far the NTP-served time may stray from the shell's reading before it counts as disagreement.
constexpr double kNtpShellLimitSeconds = 1.0;
// The stratum of a server that has no time to serve.
constexpr int kUnsynchronisedStratum = 16;
// The leap indicator of a server whose clock is not synchronised.
constexpr int kLeapUnsynchronised = 3;
// Leap seconds fall at the end of June or December, and a server announces one only in that month.
constexpr std::chrono::month kLeapMonths[] = {std::chrono::June, std::chrono::December};
// Beyond this root distance (half the root delay plus the root dispersion) a client's daemon refuses
// the server as a source.
constexpr double kRootDistanceLimitSeconds = 1.5;
constexpr double kMsPerSecond = 1000;

constexpr OffsetRule kClockOffset{"clock offset", "device date", ProblemCode::Offset,
                                  ProblemCode::OffsetUncertain};
constexpr OffsetRule kNtpOffset{"NTP offset", "served date", ProblemCode::NtpOffset,
                                ProblemCode::NtpOffsetUncertain};

using Rule = std::optional<Problem> (*)(const DeviceRecord& record, const HealthLimits& limits);

Problem Found(ProblemCode code, Severity severity, std::string text,
              std::optional<double> value = std::nullopt) {
    return Problem{.code = code, .severity = severity, .text = std::move(text), .value = value};
}

// Why there is no complete reading. Pending, an interrupted run and a failure of this PC say nothing of
// the device: UNKNOWN, never its fault. A device not read counts as the limits ask.
Problem ShellFailure(const DeviceRecord& record, const HealthLimits& limits) {
    if (record.interrupted) {
        return Found(ProblemCode::Interrupted, Severity::Unknown, record.failure);
    }
    switch (record.failureKind) {
    case FailureKind::Pending:
        return Found(ProblemCode::Pending, Severity::Unknown, record.failure);
    case FailureKind::NotRead:
        return Found(ProblemCode::NotRead, Severity::Unknown, record.failure);
    case FailureKind::LocalFailure:
        return Found(ProblemCode::LocalFailure, Severity::Unknown, record.failure);
    case FailureKind::Unreadable:
        // It answered: whatever a network between may hide, this it did not.
        return Found(ProblemCode::AnswerUnreadable, Severity::Critical, record.failure);
    case FailureKind::Device:
        break;
    }
    return Found(ProblemCode::Unreachable, limits.unreachable, record.failure);
}

Problem NtpFailure(const DeviceRecord& record, const HealthLimits& limits) {
    const NtpResult& ntp = *record.ntp;
    const std::string text = "NTP: " + ntp.failure;
    switch (ntp.failureKind) {
    case FailureKind::Pending:
    case FailureKind::NotRead:
        return Found(ProblemCode::NtpPending, Severity::Unknown, text);
    case FailureKind::LocalFailure:
        return Found(ProblemCode::NtpLocalFailure, Severity::Unknown, text);
    case FailureKind::Device:
    case FailureKind::Unreadable:
        break;
    }
    if (ntp.kissOfDeath) {
        return Found(ProblemCode::NtpKiss, Severity::Critical, text);
    }
    if (ntp.invalid) {
        return Found(ProblemCode::NtpInvalid, Severity::Critical, text);
    }
    // A device not reached at all answers no NTP either: that is the same failure, counted alike.
    return Found(ProblemCode::NtpUnanswered, record.reachable ? Severity::Critical : limits.unreachable,
                 text);
}

std::optional<Problem> NoSystemPeer(const DeviceRecord& record, const HealthLimits&) {
    if (HasSystemPeer(record) != false) {
        return std::nullopt;
    }
    return Found(ProblemCode::NoSystemPeer, Severity::Critical, "no system peer");
}

const NtpPeer* SystemPeerOf(const DeviceRecord& record) {
    return record.peers ? SystemPeer(*record.peers) : nullptr;
}

// The severity of a value against a WARNING and an optional CRITICAL limit, each crossed when beyond says so.
Severity Crossed(bool beyondWarn, bool beyondCrit) {
    return beyondCrit ? Severity::Critical : beyondWarn ? Severity::Warning : Severity::Ok;
}

// A receiver that drops out stops answering polls, and one without a pulse per second jitters by
// milliseconds: either way the daemon serves a time it cannot vouch for.
std::optional<Problem> PeerReach(const DeviceRecord& record, const HealthLimits& limits) {
    const NtpPeer* peer = SystemPeerOf(record);
    if (!peer) {
        return std::nullopt;
    }
    const int answered = AnsweredPolls(peer->reach);
    const Severity severity = Crossed(answered < limits.reachWarnPolls, answered < limits.reachCritPolls);
    if (severity == Severity::Ok) {
        return std::nullopt;
    }
    return Found(ProblemCode::PeerReach, severity,
                 "GPS reference unreliable: " + std::to_string(answered) + " of its last 8 polls answered",
                 answered);
}

std::optional<Problem> PeerJitter(const DeviceRecord& record, const HealthLimits& limits) {
    const NtpPeer* peer = SystemPeerOf(record);
    if (!peer) {
        return std::nullopt;
    }
    const double jitter = peer->jitterMs / kMsPerSecond;
    const bool beyondCrit = limits.jitterCritSeconds && jitter > *limits.jitterCritSeconds;
    const Severity severity = Crossed(jitter > limits.jitterWarnSeconds, beyondCrit);
    if (severity == Severity::Ok) {
        return std::nullopt;
    }
    // In seconds, as the options, the line and the performance data give it.
    char text[96];
    std::snprintf(text, sizeof text, "GPS reference unreliable: jitter beyond %g s (%.6f s)",
                  beyondCrit ? *limits.jitterCritSeconds : limits.jitterWarnSeconds, jitter);
    return Found(ProblemCode::PeerJitter, severity, text, jitter);
}

std::optional<Problem> GpsUnlocked(const DeviceRecord& record, const HealthLimits&) {
    if (record.gpsLocked != false) {
        return std::nullopt;
    }
    return Found(ProblemCode::GpsUnlocked, Severity::Warning, "GPS not locked");
}

std::optional<Problem> MacUnassigned(const DeviceRecord& record, const HealthLimits&) {
    if (record.macAssigned != false) {
        return std::nullopt;
    }
    return Found(ProblemCode::MacUnassigned, Severity::Warning, "MAC address not assigned");
}

// The weeks a rollover put the device clock, and the served time, behind (0: none, or not read).
int ShellRolloverWeeks(const DeviceRecord& record) {
    return record.reachable && record.offsetSeconds ? RolloverWeeks(*record.offsetSeconds) : 0;
}

int NtpRolloverWeeks(const DeviceRecord& record) {
    return record.ntp && record.ntp->answered ? RolloverWeeks(record.ntp->offsetSeconds) : 0;
}

// One problem for the device, whether its clock or its service shows it: the offsets it makes huge say
// nothing more.
std::optional<Problem> WeekRollover(const DeviceRecord& record) {
    const int shellWeeks = ShellRolloverWeeks(record);
    const int weeks = shellWeeks != 0 ? shellWeeks : NtpRolloverWeeks(record);
    if (weeks == 0) {
        return std::nullopt;
    }
    return Found(ProblemCode::WeekRollover, Severity::Critical,
                 "device date is " + std::to_string(weeks) + " weeks behind: GPS week-number rollover",
                 shellWeeks != 0 ? *record.offsetSeconds : record.ntp->offsetSeconds);
}

std::optional<Problem> ClockOffset(const DeviceRecord& record, const HealthLimits& limits) {
    if (!record.offsetSeconds || ShellRolloverWeeks(record) != 0) {
        return std::nullopt;
    }
    return HoldOffsetToLimits(kClockOffset, *record.offsetSeconds, ShellOffsetUncertainty(record), limits);
}

std::optional<Problem> NtpStratum(const DeviceRecord& record, const HealthLimits& limits) {
    const int stratum = record.ntp->stratum;
    if (stratum < kLowestStratum || stratum > kHighestStratum) {
        return Found(ProblemCode::NtpStratum, Severity::Critical,
                     "NTP stratum " + std::to_string(stratum) +
                         (stratum == kUnsynchronisedStratum ? " (unsynchronised)" : " (invalid)"),
                     stratum);
    }
    const bool beyondCrit = limits.stratumCrit && stratum > *limits.stratumCrit;
    const Severity severity = Crossed(limits.stratumWarn && stratum > *limits.stratumWarn, beyondCrit);
    if (severity == Severity::Ok) {
        return std::nullopt;
    }
    return Found(ProblemCode::NtpStratum, severity,
                 "NTP stratum " + std::to_string(stratum) + " above " +
                     std::to_string(beyondCrit ? *limits.stratumCrit : *limits.stratumWarn),
                 stratum);
}

// A leap second announced in its month is news, not a fault; in any other month the server's source
// has it wrong, and clients that believe it will step their clocks by a second at the month's end.
std::optional<Problem> NtpLeapMonth(const DeviceRecord& record, const HealthLimits&) {
    const int leap = record.ntp->leap;
    if (leap == 0 || leap == kLeapUnsynchronised) {
        return std::nullopt;
    }
    using namespace std::chrono;
    const sys_days day = floor<days>(sys_time<microseconds>(microseconds(record.ntp->serverUnixMicros)));
    const month served = year_month_day(day).month();
    if (std::find(std::begin(kLeapMonths), std::end(kLeapMonths), served) != std::end(kLeapMonths)) {
        return std::nullopt;
    }
    return Found(ProblemCode::NtpLeapMonth, Severity::Warning, "leap second announced outside June/December",
                 leap);
}

std::optional<Problem> NtpRootDistance(const DeviceRecord& record, const HealthLimits&) {
    const double distance = RootDistance(*record.ntp);
    if (distance <= kRootDistanceLimitSeconds) {
        return std::nullopt;
    }
    char text[96];
    std::snprintf(text, sizeof text, "NTP root distance beyond %g s (%.3f s)", kRootDistanceLimitSeconds,
                  distance);
    return Found(ProblemCode::NtpRootDistance, Severity::Warning, text, distance);
}

std::optional<Problem> NtpLeap(const DeviceRecord& record, const HealthLimits&) {
    if (record.ntp->leap != kLeapUnsynchronised) {
        return std::nullopt;
    }
    return Found(ProblemCode::NtpLeap, Severity::Critical, "NTP leap indicator 3 (clock not synchronised)",
                 kLeapUnsynchronised);
}

// The service is held to the same limits as the device clock, which a monitoring host expects.
std::optional<Problem> NtpOffset(const DeviceRecord& record, const HealthLimits& limits) {
    const NtpResult& ntp = *record.ntp;
    if (NtpRolloverWeeks(record) != 0) {
        return std::nullopt;
    }
    return HoldOffsetToLimits(kNtpOffset, ntp.offsetSeconds, NtpOffsetUncertainty(ntp), limits);
}

// Both offsets may be within the limits and still far apart, and a wrong clock on this PC moves both
// alike: only their difference shows the device serving a time other than its own. What a week rollover
// of either one puts between them is that rollover's problem, not this one.
std::optional<Problem> NtpDisagrees(const DeviceRecord& record, const HealthLimits&) {
    if (!record.ntpShellSeconds || NtpRolloverWeeks(record) != ShellRolloverWeeks(record)) {
        return std::nullopt;
    }
    const double apart = *record.ntpShellSeconds;
    const double uncertainty = NtpOffsetUncertainty(*record.ntp) + ShellOffsetUncertainty(record);
    if (!SurelyBeyond(apart, uncertainty, kNtpShellLimitSeconds)) {
        return std::nullopt;
    }
    return Found(ProblemCode::NtpDisagrees, Severity::Warning,
                 "the time service and the device clock disagree by more than " +
                     LimitText(kNtpShellLimitSeconds) + " (" + OffsetReading(apart, uncertainty) + ")",
                 apart);
}

// The rules of a complete reading, and those of a valid NTP answer.
constexpr Rule kShellRules[] = {&NoSystemPeer, &PeerReach,     &PeerJitter,
                                &GpsUnlocked,  &MacUnassigned, &ClockOffset};
constexpr Rule kNtpRules[] = {&NtpStratum, &NtpLeap,      &NtpLeapMonth,
                              &NtpOffset,  &NtpDisagrees, &NtpRootDistance};

void Apply(const auto& rules, const DeviceRecord& record, const HealthLimits& limits, Health& health) {
    for (const Rule rule : rules) {
        if (std::optional<Problem> problem = rule(record, limits)) {
            AddProblem(health, std::move(*problem));
        }
    }
}

} // namespace

Health AssessHealth(const DeviceRecord& record, const HealthLimits& limits) {
    Health health;
    if (std::optional<Problem> rollover = WeekRollover(record)) {
        AddProblem(health, std::move(*rollover));
    }
    if (record.reachable) {
        Apply(kShellRules, record, limits, health);
    } else {
        AddProblem(health, ShellFailure(record, limits));
    }
    if (record.ntp && record.ntp->answered) {
        Apply(kNtpRules, record, limits, health);
    } else if (record.ntp) {
        AddProblem(health, NtpFailure(record, limits));
    }
    return health;
}

void AddProblem(Health& health, Problem problem) {
    health.severity = Worse(health.severity, problem.severity);
    // After every problem as bad or worse, so that problems of one severity keep the order found.
    const auto at =
        std::find_if(health.problems.begin(), health.problems.end(), [&problem](const Problem& other) {
            return Badness(other.severity) < Badness(problem.severity);
        });
    health.problems.insert(at, std::move(problem));
}

bool IsNewsOfItsOwn(const Problem& problem) {
    const bool alarming = problem.severity == Severity::Warning || problem.severity == Severity::Critical;
    return alarming && problem.code != ProblemCode::GpsUnlocked && problem.code != ProblemCode::NoSystemPeer;
}

int Badness(Severity severity) {
    switch (severity) {
    case Severity::Ok:
        return 0;
    case Severity::Unknown:
        return 1;
    case Severity::Warning:
        return 2;
    case Severity::Critical:
        break;
    }
    return 3;
}

Severity Worse(Severity a, Severity b) {
    return Badness(a) >= Badness(b) ? a : b;
}

std::optional<bool> HasSystemPeer(const DeviceRecord& record) {
    return record.peers ? std::optional<bool>(SystemPeer(*record.peers) != nullptr) : record.timeSynced;
}

const char* SeverityName(Severity severity) {
    switch (severity) {
    case Severity::Ok:
        return "OK";
    case Severity::Warning:
        return "WARNING";
    case Severity::Critical:
        return "CRITICAL";
    case Severity::Unknown:
        break;
    }
    return "UNKNOWN";
}
