#include "NagiosOutput.h"

#include "health/NumberText.h"
#include "runtime/TimeUnits.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace {

// Room kept for the line that says how many devices were left out.
constexpr std::size_t kLeftOutRoom = 80;

// What one device adds to the output: its line (when lines are shown) and its performance data.
struct DeviceOutput {
    std::string line;
    std::string performance;
};

// '|' starts the performance data wherever it stands, so text from the device (its firmware version)
// may not carry one; it is escaped as device text escapes other bytes.
std::string WithoutBar(std::string text) {
    for (std::size_t at = text.find('|'); at != std::string::npos; at = text.find('|', at)) {
        text.replace(at, 1, "\\x7c");
    }
    return text;
}

std::string Joined(const std::vector<Problem>& problems, const std::string& prefix) {
    std::string joined;
    for (const Problem& problem : problems) {
        joined += (joined.empty() ? "" : "; ") + prefix + problem.text;
    }
    return joined;
}

// The thresholds and bounds of one datum; empty ones are left out at the end.
struct DatumLimits {
    std::string warn = "";
    std::string crit = "";
    std::string min = "";
    std::string max = "";
};

// One datum in the plugin syntax label=value[UOM][;warn[;crit[;min[;max]]]]; several devices get the
// address in the label.
class CPerformance {
public:
    CPerformance(const std::string& address, bool several) : m_address(address), m_several(several) {}
    void Add(const char* name, const std::string& value, const DatumLimits& limits = {}) {
        // Appended piece by piece: GCC 12 at -O3 warns of an overlapping copy in a literal plus a temporary.
        if (!m_text.empty()) {
            m_text += ' ';
        }
        if (m_several) {
            m_text.append("'").append(name).append("_").append(m_address).append("'");
        } else {
            m_text += name;
        }
        m_text.append("=").append(value);
        const std::string* fields[] = {&limits.warn, &limits.crit, &limits.min, &limits.max};
        const auto given = std::find_if(std::rbegin(fields), std::rend(fields),
                                        [](const std::string* field) { return !field->empty(); });
        for (auto field = std::begin(fields); field != given.base(); ++field) {
            m_text.append(";").append(**field);
        }
    }
    const std::string& Text() const { return m_text; }

private:
    const std::string& m_address;
    bool m_several;
    std::string m_text;
};

std::string StratumWarnRange(const HealthLimits& limits) {
    return limits.stratumWarn ? PluginRangeText(UpTo(static_cast<double>(*limits.stratumWarn))) : "";
}

// A count that alerts below polls ("6:"); none when no count does.
std::string AtLeast(int polls) {
    return polls > 0 ? std::to_string(polls) + ':' : "";
}

// Where a datum's bounds are known: a delay and a jitter are never negative, a stratum ends at 16
// (unsynchronised), and a peer answers at most 8 of its last 8 polls.
std::string Performance(const DeviceRecord& record, const HealthLimits& limits, bool several) {
    const DatumLimits offsetLimits{.warn = PluginRangeText(limits.warn),
                                   .crit = PluginRangeText(limits.crit)};
    CPerformance performance(record.address, several);
    if (record.offsetSeconds) {
        performance.Add("offset", FormatNumber("%.6fs", *record.offsetSeconds), offsetLimits);
    }
    if (record.ntp && record.ntp->answered) {
        const NtpResult& ntp = *record.ntp;
        performance.Add("ntp_offset", FormatNumber("%.6fs", ntp.offsetSeconds), offsetLimits);
        performance.Add("ntp_delay", FormatNumber("%.6fs", ntp.delaySeconds), {.min = "0"});
        // Strata 17 to 255 are reserved, and NTP takes any of them for 16, unsynchronised: the datum says
        // so within its declared bounds, where a graphing tool would drop a value beyond them as unknown.
        // The line and the JSON keep the stratum served.
        const int unsynchronised = kHighestStratum + 1;
        performance.Add("stratum", std::to_string(std::min(ntp.stratum, unsynchronised)),
                        {.warn = StratumWarnRange(limits),
                         .crit = PluginRangeText(PluginRange{
                             .start = kLowestStratum,
                             .end = static_cast<double>(limits.stratumCrit.value_or(kHighestStratum))}),
                         .min = "0",
                         .max = std::to_string(unsynchronised)});
    }
    if (const NtpPeer* peer = record.peers ? SystemPeer(*record.peers) : nullptr) {
        performance.Add("peer_offset", FormatNumber("%.6fs", peer->offsetMs / kMsPerSecond));
        performance.Add(
            "jitter", FormatNumber("%.6fs", peer->jitterMs / kMsPerSecond),
            {.warn = PluginRangeText(UpTo(limits.jitterWarnSeconds)),
             .crit = limits.jitterCritSeconds ? PluginRangeText(UpTo(*limits.jitterCritSeconds)) : "",
             .min = "0"});
        performance.Add("reach", std::to_string(AnsweredPolls(peer->reach)),
                        {.warn = AtLeast(limits.reachWarnPolls),
                         .crit = AtLeast(limits.reachCritPolls),
                         .min = "0",
                         .max = "8"});
    }
    return performance.Text();
}

std::string DeviceLine(const AssessedRecord& assessed, int verbosity) {
    const std::vector<Problem>& problems = assessed.health.problems;
    if (verbosity > 0) {
        return WithoutBar(FormatLine(assessed));
    }
    return WithoutBar(assessed.record.address + ' ' + SeverityName(assessed.health.severity) +
                      (problems.empty() ? "" : ": " + Joined(problems, "")));
}

// "12 devices healthy", or how many are in each state, worst first: "12 devices: 1 CRITICAL, 11 OK".
std::string FleetSummary(const std::vector<AssessedRecord>& records) {
    const auto worseFirst = [](Severity a, Severity b) { return Badness(a) > Badness(b); };
    std::map<Severity, std::size_t, decltype(worseFirst)> counts(worseFirst);
    for (const AssessedRecord& assessed : records) {
        ++counts[assessed.health.severity];
    }
    const std::string devices = std::to_string(records.size()) + " devices";
    if (counts.size() == 1 && counts.begin()->first == Severity::Ok) {
        return devices + " healthy";
    }
    std::string summary;
    for (const auto& [severity, count] : counts) {
        summary += (summary.empty() ? ": " : ", ") + std::to_string(count) + ' ' + SeverityName(severity);
    }
    return devices + summary;
}

std::string Summary(const std::vector<AssessedRecord>& records) {
    if (records.size() != 1) {
        return FleetSummary(records);
    }
    const AssessedRecord& one = records.front();
    return one.health.problems.empty() ? one.record.address + " healthy"
                                       : Joined(one.health.problems, one.record.address + ": ");
}

// Which devices fit beside the status line of `used` bytes: the most troubled first, so that those
// left out are the healthiest.
std::vector<bool> FittingDevices(const std::vector<AssessedRecord>& records,
                                 const std::vector<DeviceOutput>& outputs, std::size_t used) {
    std::vector<std::size_t> order(records.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&records](std::size_t a, std::size_t b) {
        return Badness(records[a].health.severity) > Badness(records[b].health.severity);
    });
    std::vector<bool> fits(records.size(), false);
    bool anyPerformance = false;
    for (const std::size_t device : order) {
        const DeviceOutput& output = outputs[device];
        const std::size_t lineSize = output.line.empty() ? 0 : output.line.size() + 1;
        const std::size_t separator = output.performance.empty() ? 0 : anyPerformance ? 1 : 3;
        const std::size_t size = lineSize + separator + output.performance.size();
        if (used + size + kLeftOutRoom >= kLargestNagiosOutput) {
            break;
        }
        used += size;
        anyPerformance = anyPerformance || !output.performance.empty();
        fits[device] = true;
    }
    return fits;
}

} // namespace

std::string FormatNagios(const std::vector<AssessedRecord>& records, const HealthLimits& limits,
                         int verbosity, const std::string& localFailure) {
    Severity worst = localFailure.empty() ? Severity::Ok : Severity::Unknown;
    for (const AssessedRecord& assessed : records) {
        worst = Worse(worst, assessed.health.severity);
    }
    // What failed on this side leads, since it decides the status; the devices' results follow.
    const std::string status =
        std::string("VANTREX ") + SeverityName(worst) + " - " +
        WithoutBar((localFailure.empty() ? "" : localFailure + "; ") + Summary(records));
    const bool several = records.size() > 1;
    const bool lines = several || verbosity > 0;
    std::vector<DeviceOutput> outputs;
    for (const AssessedRecord& assessed : records) {
        outputs.push_back(
            {lines ? DeviceLine(assessed, verbosity) : "", Performance(assessed.record, limits, several)});
    }
    const std::vector<bool> fits = FittingDevices(records, outputs, status.size() + 1);
    std::string performance;
    std::string deviceLines;
    for (std::size_t device = 0; device < records.size(); ++device) {
        if (fits[device]) {
            const DeviceOutput& output = outputs[device];
            deviceLines += output.line.empty() ? "" : output.line + '\n';
            performance +=
                (performance.empty() || output.performance.empty() ? "" : " ") + output.performance;
        }
    }
    const auto leftOut = static_cast<std::size_t>(std::count(fits.begin(), fits.end(), false));
    if (leftOut > 0) {
        deviceLines += std::to_string(leftOut) + (leftOut == 1 ? " more device" : " more devices") +
                       " left out to keep the output under 8 KB\n";
    }
    return status + (performance.empty() ? "" : " | " + performance) + '\n' + deviceLines;
}

std::string FormatNagiosFailure(const std::string& reason) {
    return "VANTREX UNKNOWN - " + WithoutBar(reason) + '\n';
}
