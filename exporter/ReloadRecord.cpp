#include "ReloadRecord.h"

#include "report/MetricWriter.h"

namespace {

constexpr const char* kSuccessful = "vantrex_exporter_config_last_reload_successful";
constexpr const char* kSuccessTime = "vantrex_exporter_config_last_reload_success_timestamp_seconds";
constexpr const char* kDevices = "vantrex_exporter_devices";

} // namespace

void CReloadRecord::RecordSuccess(double seconds) {
    CLockHold hold(m_lock);
    m_lastSuccessful = true;
    m_lastSuccessSeconds = seconds;
}

void CReloadRecord::SetDevices(std::size_t devices) {
    CLockHold hold(m_lock);
    m_devices = devices;
}

void CReloadRecord::RecordFailure() {
    CLockHold hold(m_lock);
    m_lastSuccessful = false;
}

std::string CReloadRecord::Format() const {
    CLockHold hold(m_lock);
    CMetricWriter writer;
    writer.Family(kSuccessful, "Whether the last read of the device list (--from, on SIGHUP) succeeded.");
    writer.Sample(kSuccessful, "", m_lastSuccessful ? 1 : 0);
    writer.Family(kSuccessTime, "When the device list was last read successfully, in seconds since 1970.");
    writer.Sample(kSuccessTime, "", m_lastSuccessSeconds, "%.3f");
    writer.Family(kDevices, "Devices watched: given as arguments and listed by --from.");
    writer.Sample(kDevices, "", static_cast<double>(m_devices));
    return writer.Text();
}
