#include "ProbeRun.h"

#include "report/MetricWriter.h"
#include "report/RecordFormat.h"

#include <chrono>

namespace {

// What of the record is this PC's failure rather than the device's state.
std::string LocalFailure(const DeviceRecord& record) {
    if (record.failureKind == FailureKind::LocalFailure) {
        return record.failure;
    }
    if (record.ntp && record.ntp->failureKind == FailureKind::LocalFailure) {
        return "NTP check: " + record.ntp->failure;
    }
    return "";
}

} // namespace

ProbeAnswer RunProbe(const ProbeQuery& query, const HealthLimits& limits, const CSignal& stop,
                     CNtpHistoryStore& ntpHistories) {
    const auto start = std::chrono::steady_clock::now();
    FleetSettings settings = query.settings;
    settings.ntpHistories = &ntpHistories;
    DeviceRecord record;
    (void)ReadFleetOnce({query.target}, settings, stop,
                        [&record](const std::vector<DeviceRecord>& records) { record = records.front(); });
    ProbeAnswer answer;
    answer.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    answer.success = record.reachable;
    answer.interrupted = record.interrupted;
    answer.localFailure = LocalFailure(record);
    CMetricWriter writer;
    writer.Family("vantrex_probe_success", "Whether the probe gave a complete reading of the device.");
    writer.Sample("vantrex_probe_success", "", answer.success ? 1 : 0);
    writer.Family("vantrex_probe_duration_seconds", "How long the probe took.");
    writer.Sample("vantrex_probe_duration_seconds", "", answer.seconds);
    answer.page = FormatPrometheus({{record, AssessHealth(record, limits)}}) + writer.Text();
    return answer;
}
