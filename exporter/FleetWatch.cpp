#include "FleetWatch.h"

#include "status/OptionChecks.h"
#include "status/RecordFormat.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>

CFleetWatch::CFleetWatch(const ExporterOptions& options, const HealthLimits& limits)
    : m_options(options), m_limits(limits), m_fromDevices(options.fromDevices) {}

void CFleetWatch::Run(const CSignal& stop, CSignal& reload) {
    for (bool first = true; !stop.Wait(0); first = false) {
        if (!first) {
            ReadFromFileAgain();
        }
        const std::vector<DeviceAddress> devices = Listed();
        Publish(devices);
        if (devices.empty()) {
            (void)reload.Wait(kInfinite);
        } else {
            WatchFleet(devices, m_options.fleet, reload,
                       [this](const std::vector<DeviceRecord>& records) { Store(records); });
        }
        // A request that comes while the file is read ends the next watch at once: none is lost.
        (void)reload.Reset();
    }
}

// The arguments, then the file's devices, each once.
std::vector<DeviceAddress> CFleetWatch::Listed() {
    std::vector<DeviceAddress> devices;
    std::unordered_set<std::uint32_t> seen;
    for (const std::vector<DeviceAddress>* list :
         std::initializer_list<const std::vector<DeviceAddress>*>{&m_options.devices, &m_fromDevices}) {
        std::copy_if(list->begin(), list->end(), std::back_inserter(devices),
                     [&seen](const DeviceAddress& device) { return seen.insert(device.value).second; });
    }
    return devices;
}

void CFleetWatch::ReadFromFileAgain() {
    if (m_options.fromPath.empty()) {
        return;
    }
    std::string reason;
    if (std::optional<std::vector<DeviceAddress>> devices = ReadDeviceFile(m_options.fromPath, reason)) {
        m_fromDevices = std::move(*devices);
        std::fprintf(stderr, "vantrex-exporter: '%s' lists %zu device%s\n",
                     OutsideText(m_options.fromPath, 200).c_str(), m_fromDevices.size(),
                     m_fromDevices.size() == 1 ? "" : "s");
    } else {
        std::fprintf(stderr, "vantrex-exporter: %s; the %zu devices listed before stay\n", reason.c_str(),
                     m_fromDevices.size());
    }
}

void CFleetWatch::Publish(const std::vector<DeviceAddress>& devices) {
    std::unordered_set<std::string> texts;
    std::unordered_set<std::uint32_t> listed;
    for (const DeviceAddress& device : devices) {
        texts.insert(device.text);
        listed.insert(device.value);
    }
    // Only this thread changes the records, so they are read without the lock.
    std::vector<DeviceRecord> kept = m_records;
    std::erase_if(kept, [&texts](const DeviceRecord& record) { return !texts.contains(record.address); });
    std::shared_ptr<const std::string> page = Format(kept);
    CLockHold hold(m_lock);
    m_listed = std::move(listed);
    m_records = std::move(kept);
    m_page = std::move(page);
}

void CFleetWatch::Store(const std::vector<DeviceRecord>& records) {
    std::shared_ptr<const std::string> page = Format(records);
    CLockHold hold(m_lock);
    m_records = records;
    m_page = std::move(page);
}

std::shared_ptr<const std::string> CFleetWatch::Format(const std::vector<DeviceRecord>& records) const {
    std::vector<AssessedRecord> assessed;
    assessed.reserve(records.size());
    for (const DeviceRecord& record : records) {
        assessed.push_back({record, AssessHealth(record, m_limits)});
    }
    return std::make_shared<const std::string>(FormatPrometheus(assessed));
}

std::shared_ptr<const std::string> CFleetWatch::Page() const {
    CLockHold hold(m_lock);
    return m_page;
}

bool CFleetWatch::Lists(std::uint32_t address) const {
    CLockHold hold(m_lock);
    return m_listed.contains(address);
}
