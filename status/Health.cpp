#include "Health.h"

#include "OffsetLimits.h"

#include <algorithm>

namespace {

// How far the NTP-served time may stray from the shell's reading before it counts as disagreement.
constexpr double kNtpShellLimitSeconds = 1.0;
// The strata of a server that serves time; 16 is one that has none to serve.
constexpr int kLowestStratum = 1;
constexpr int kHighestStratum = 15;
constexpr int kUnsynchronisedStratum = 16;

class CHealthBuilder {
public:
    void Add(Severity severity, std::string problem) { m_found.push_back({severity, std::move(problem)}); }
    Health Build() {
        std::stable_sort(m_found.begin(), m_found.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        Health health;
        for (auto& [severity, problem] : m_found) {
            health.severity = Worse(health.severity, severity);
            health.problems.push_back(std::move(problem));
        }
        return health;
    }

private:
    std::vector<std::pair<Severity, std::string>> m_found;
};

void Add(const std::optional<HealthFinding>& finding, CHealthBuilder& health) {
    if (finding) {
        health.Add(finding->severity, finding->text);
    }
}

void AssessNtp(const DeviceRecord& record, const HealthLimits& limits, CHealthBuilder& health) {
    const NtpResult& ntp = *record.ntp;
    if (!ntp.answered) {
        // A device not reached at all answers no NTP either: that is the same failure, counted once.
        const Severity device = record.reachable ? Severity::Critical : limits.unreachable;
        health.Add(ntp.failureKind == FailureKind::Device ? device : Severity::Unknown,
                   "NTP: " + ntp.failure);
        return;
    }
    if (ntp.stratum < kLowestStratum || ntp.stratum > kHighestStratum) {
        health.Add(Severity::Critical,
                   "NTP stratum " + std::to_string(ntp.stratum) +
                       (ntp.stratum == kUnsynchronisedStratum ? " (unsynchronised)" : " (invalid)"));
    }
    if (ntp.leap == 3) {
        health.Add(Severity::Critical, "NTP leap indicator 3 (clock not synchronised)");
    }
    // The service is held to the same limits as the device clock, which a monitoring host expects.
    Add(HoldOffsetToLimits("NTP offset", ntp.offsetSeconds, NtpOffsetUncertainty(ntp), limits), health);
    // Both offsets may be within the limits and still far apart, and a wrong clock on this PC moves
    // both alike: only their difference shows the device serving a time other than its own.
    if (record.ntpShellSeconds) {
        const double uncertainty = NtpOffsetUncertainty(ntp) + ShellOffsetUncertainty(record);
        if (SurelyBeyond(*record.ntpShellSeconds, uncertainty, kNtpShellLimitSeconds)) {
            health.Add(Severity::Warning, "the time service and the device clock disagree by more than " +
                                              LimitText(kNtpShellLimitSeconds) + " (" +
                                              OffsetReading(*record.ntpShellSeconds, uncertainty) + ")");
        }
    }
}

void AssessShell(const DeviceRecord& record, const HealthLimits& limits, CHealthBuilder& health) {
    if (!record.reachable) {
        // An interrupted run is this PC's doing, never the device's fault.
        const bool device = !record.interrupted && record.failureKind == FailureKind::Device;
        health.Add(device ? limits.unreachable : Severity::Unknown, record.failure);
        return;
    }
    if (record.timeSynced == false) {
        health.Add(Severity::Critical, "no system peer");
    }
    if (record.gpsLocked == false) {
        health.Add(Severity::Warning, "GPS not locked");
    }
    if (record.macAssigned == false) {
        health.Add(Severity::Warning, "MAC address not assigned");
    }
    if (record.offsetSeconds) {
        Add(HoldOffsetToLimits("clock offset", *record.offsetSeconds, ShellOffsetUncertainty(record), limits),
            health);
    }
}

} // namespace

Health AssessHealth(const DeviceRecord& record, const HealthLimits& limits) {
    CHealthBuilder health;
    AssessShell(record, limits, health);
    if (record.ntp) {
        AssessNtp(record, limits, health);
    }
    return health.Build();
}

Severity Worse(Severity a, Severity b) {
    return static_cast<int>(a) >= static_cast<int>(b) ? a : b;
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
