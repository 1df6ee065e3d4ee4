#pragma once

#include "DeviceRecord.h"
#include "PluginRange.h"
#include "ProblemCode.h"

#include <optional>
#include <string>
#include <vector>

// The monitoring-plugin states, which are also the program's exit statuses.
enum class Severity { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };
// The exit status of a run that cannot tell how the devices are: bad input, or a fault of this PC.
inline constexpr int kUnknownExitStatus = static_cast<int>(Severity::Unknown);

// The strata a server serves time at: outside them the NTP check is CRITICAL.
inline constexpr int kLowestStratum = 1;
inline constexpr int kHighestStratum = 15;

struct HealthLimits {
    PluginRange warn = UpTo(1.0); // a clock or NTP offset (its absolute value) alerting here is WARNING
    PluginRange crit = UpTo(5.0); // and here CRITICAL
    // The system peer's jitter beyond these is WARNING and CRITICAL.
    double jitterWarnSeconds = 0.005;
    std::optional<double> jitterCritSeconds = std::nullopt;
    // The system peer answering fewer of its last 8 polls than these is WARNING and CRITICAL: below 6 the
    // daemon is about to drop it.
    int reachWarnPolls = 6;
    int reachCritPolls = 0;
    // A served stratum above these is WARNING and CRITICAL; one outside 1 to 15 always CRITICAL.
    std::optional<int> stratumWarn = std::nullopt;
    std::optional<int> stratumCrit = std::nullopt;
    // What a device not read (refused, silent, timed out, lost) counts as, its NTP check included.
    Severity unreachable = Severity::Critical;
};

// A rule a device broke, or could not be held to. An offset too uncertain to be held to a limit is a
// problem too, at the severity of the limits it surely crossed (OK when none).
struct Problem {
    ProblemCode code = ProblemCode::Unreachable;
    Severity severity = Severity::Ok;
    std::string text;            // with the value and the limit crossed: "NTP offset beyond 5 s (+30.000 s)"
    std::optional<double> value; // what the rule held to its limit (seconds, a stratum, a leap indicator)
};

// A device's health: the worst severity and its problems, worst first.
struct Health {
    Severity severity = Severity::Ok;
    std::vector<Problem> problems;
};

// The rules of a reading, as every program applies them.
Health AssessHealth(const DeviceRecord& record, const HealthLimits& limits);

// Adds a problem found apart from the rules of one reading (such as a step between two of them): the
// health takes its severity if worse, and its problems stay worst first.
void AddProblem(Health& health, Problem problem);

// Whether a problem is news of its own: a rule at WARNING or CRITICAL that the device's GPS and
// time-sync indicators do not already tell (an unlocked receiver, a missing system peer).
bool IsNewsOfItsOwn(const Problem& problem);

// How bad a severity is against the others, as the monitoring plugins rank several results: OK, then
// UNKNOWN, WARNING, CRITICAL. A set-up that does not notify on UNKNOWN must still hear of a CRITICAL
// device beside one that could not be read.
int Badness(Severity severity);

// The worse of two severities, by Badness.
Severity Worse(Severity a, Severity b);

// Whether the device's time daemon has a system peer: a line of its peer table marked '*', or 'o' when
// it takes a pulse per second from it, wherever it stands in the table. Without a table, what the link's
// lamp read; empty when neither is known. The window's lamp keeps its own rule (the first two lines).
std::optional<bool> HasSystemPeer(const DeviceRecord& record);

// "OK", "WARNING", "CRITICAL" or "UNKNOWN".
const char* SeverityName(Severity severity);
