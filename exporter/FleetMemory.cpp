#include "FleetMemory.h"

#include "report/MetricWriter.h"
#include "report/RecordFormat.h"
#include "runtime/TimeUnits.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// When the clock reading came, on this PC's clock: the offset was taken against the midpoint of the
// command's round trip, whose end is half of it later.
std::optional<double> AnsweredAt(const DeviceRecord& record) {
    if (!record.deviceUnixMicros || !record.offsetSeconds) {
        return std::nullopt;
    }
    return static_cast<double>(*record.deviceUnixMicros) / kMicrosPerSecond - *record.offsetSeconds +
           record.roundTripSeconds.value_or(0) / 2;
}

bool TellsOfTheDevice(const DeviceRecord& record) {
    return record.failureKind == FailureKind::Device && !record.interrupted;
}

// A reading too old to count: the device is not up, for this reason alone.
void MarkStale(AssessedRecord& assessed, double ageSeconds) {
    char text[96];
    std::snprintf(text, sizeof text, "no complete reading for %.0f s", std::floor(ageSeconds));
    assessed.record.reachable = false;
    assessed.record.failure = text;
    assessed.health.severity = Severity::Critical;
    assessed.health.problems = {Problem{
        .code = ProblemCode::Stale, .severity = Severity::Critical, .text = text, .value = ageSeconds}};
}

} // namespace

CFleetMemory::CFleetMemory(const HealthLimits& limits) : m_limits(limits) {}

std::optional<std::string> CFleetMemory::Take(const DeviceRecord& record, double dueUnixSeconds) {
    const auto found = m_kept.find(record.address);
    if (found == m_kept.end()) {
        return std::nullopt;
    }
    Kept& kept = found->second;
    // The schedule moves on whatever the reading found: a failure of this PC must not age the last one.
    kept.dueAt = dueUnixSeconds;
    if (const std::optional<double> answeredAt = AnsweredAt(record); record.reachable && answeredAt) {
        kept.readAt = answeredAt;
    }
    if (TellsOfTheDevice(record)) {
        kept.record = std::make_shared<const DeviceRecord>(record);
    } else if (record.failureKind == FailureKind::LocalFailure) {
        return record.address + ": " + record.failure;
    }
    return std::nullopt;
}

bool CFleetMemory::ChangesKind(const DeviceRecord& record) const {
    const auto found = m_kept.find(record.address);
    return found != m_kept.end() && TellsOfTheDevice(record) &&
           (!found->second.record || found->second.record->reachable != record.reachable);
}

void CFleetMemory::Keep(const std::vector<std::string>& listed) {
    const std::unordered_set<std::string> kept(listed.begin(), listed.end());
    std::erase_if(m_kept, [&kept](const auto& one) { return !kept.contains(one.first); });
    for (const std::string& address : listed) {
        m_kept.try_emplace(address);
    }
    m_order = listed;
}

std::string CFleetMemory::Page(double nowUnixSeconds) const {
    std::vector<AssessedRecord> shown;
    CMetricWriter readings;
    CMetricWriter pending;
    readings.Family("vantrex_last_reading_timestamp_seconds",
                    "When this host last had a complete reading of the device, in seconds since 1970.");
    pending.Family(
        "vantrex_reading_pending",
        "1 while the listed device's first reading since the exporter started has not ended; absent "
        "once it has.");
    for (const std::string& address : m_order) {
        const Kept& kept = m_kept.at(address);
        if (!kept.record) {
            pending.Sample("vantrex_reading_pending", "address=\"" + LabelValue(address) + '"', 1);
            continue;
        }
        AssessedRecord assessed{*kept.record, AssessHealth(*kept.record, m_limits)};
        if (kept.record->reachable && kept.dueAt && nowUnixSeconds > *kept.dueAt) {
            MarkStale(assessed, kept.readAt ? nowUnixSeconds - *kept.readAt : 0);
        }
        shown.push_back(std::move(assessed));
        if (kept.readAt) {
            readings.Sample("vantrex_last_reading_timestamp_seconds",
                            "address=\"" + LabelValue(address) + '"', *kept.readAt, "%.3f");
        }
    }
    return FormatPrometheus(shown) + readings.Text() + pending.Text();
}
