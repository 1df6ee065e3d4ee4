#include "Health.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// How far the NTP-served time may stray from the shell's reading before it counts as disagreement.
constexpr double kNtpShellLimitSeconds = 1.0;

std::string Seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", value);
    return text;
}

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

void AssessNtp(const NtpResult& ntp, const std::optional<double>& ntpShellSeconds, CHealthBuilder& health) {
    if (!ntp.answered) {
        health.Add(ntp.failureKind == FailureKind::Device ? Severity::Critical : Severity::Unknown,
                   "NTP: " + ntp.failure);
        return;
    }
    if (ntp.stratum == 0 || ntp.stratum == 16) {
        health.Add(Severity::Critical, "NTP stratum " + std::to_string(ntp.stratum) + " (unsynchronised)");
    }
    if (ntp.leap == 3) {
        health.Add(Severity::Critical, "NTP leap indicator 3 (clock not synchronised)");
    }
    if (ntpShellSeconds && std::fabs(*ntpShellSeconds) > kNtpShellLimitSeconds) {
        health.Add(Severity::Warning, "the time service and the device clock disagree");
    }
}

void AssessShell(const DeviceRecord& record, const HealthLimits& limits, CHealthBuilder& health) {
    if (!record.reachable) {
        // An interrupted run is this PC's doing, never the device's fault.
        const bool device = !record.interrupted && record.failureKind == FailureKind::Device;
        health.Add(device ? Severity::Critical : Severity::Unknown, record.failure);
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
        const double offset = std::fabs(*record.offsetSeconds);
        if (offset > limits.critSeconds) {
            health.Add(Severity::Critical, "clock offset beyond " + Seconds(limits.critSeconds));
        } else if (offset > limits.warnSeconds) {
            health.Add(Severity::Warning, "clock offset beyond " + Seconds(limits.warnSeconds));
        }
    }
}

} // namespace

Health AssessHealth(const DeviceRecord& record, const HealthLimits& limits) {
    CHealthBuilder health;
    AssessShell(record, limits, health);
    if (record.ntp) {
        AssessNtp(*record.ntp, record.ntpShellSeconds, health);
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
