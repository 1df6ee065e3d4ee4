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

CFleetMemory::CFleetMemory(const HealthLimits& limits, std::chrono::milliseconds staleAfter)
    : m_limits(limits), m_staleAfterSeconds(std::chrono::duration<double>(staleAfter).count()) {}

std::vector<std::string> CFleetMemory::Take(const std::vector<DeviceRecord>& records) {
    std::vector<std::string> localFailures;
    m_order.clear();
    for (const DeviceRecord& record : records) {
        m_order.push_back(record.address);
        Kept& kept = m_kept[record.address];
        if (TellsOfTheDevice(record)) {
            kept.record = record;
        } else if (record.failureKind == FailureKind::LocalFailure) {
            localFailures.push_back(record.address + ": " + record.failure);
        }
        if (const std::optional<double> answeredAt = AnsweredAt(record); record.reachable && answeredAt) {
            kept.readAt = answeredAt;
        }
    }
    return localFailures;
}

void CFleetMemory::Keep(const std::unordered_set<std::string>& listed) {
    std::erase_if(m_order, [&listed](const std::string& address) { return !listed.contains(address); });
    std::erase_if(m_kept, [&listed](const auto& kept) { return !listed.contains(kept.first); });
}

std::string CFleetMemory::Page(double nowUnixSeconds) const {
    std::vector<AssessedRecord> shown;
    CMetricWriter readings;
    readings.Family("vantrex_last_reading_timestamp_seconds",
                    "When this host last had a complete reading of the device, in seconds since 1970.");
    for (const std::string& address : m_order) {
        const Kept& kept = m_kept.at(address);
        if (!kept.record) {
            continue;
        }
        AssessedRecord assessed{*kept.record, AssessHealth(*kept.record, m_limits)};
        const double age = kept.readAt ? nowUnixSeconds - *kept.readAt : 0;
        if (kept.record->reachable && age > m_staleAfterSeconds) {
            MarkStale(assessed, age);
        }
        shown.push_back(std::move(assessed));
        if (kept.readAt) {
            readings.Sample("vantrex_last_reading_timestamp_seconds",
                            "address=\"" + LabelValue(address) + '"', *kept.readAt, "%.3f");
        }
    }
    return FormatPrometheus(shown) + readings.Text();
}
