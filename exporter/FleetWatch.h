#pragma once

#include "ExporterOptions.h"

#include "health/DeviceRecord.h"
#include "health/Health.h"
#include "runtime/Lock.h"
#include "runtime/Signal.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

// The listed devices (arguments and --from), kept connected by the status library's watch, and their
// latest state for /metrics, so that a scrape never waits on a device.
class CFleetWatch {
public:
    CFleetWatch(const ExporterOptions& options, const HealthLimits& limits);

    // Watches the devices until stop is set. A set reload ends the watch: --from is read again (kept as it
    // was when it cannot be) and the new list watched; the devices still listed keep their last state
    // until the next update. The caller sets reload as well when it sets stop.
    void Run(const CSignal& stop, CSignal& reload);
    // The listed devices' series, from their latest state: formatted once an update, shared by the scrapes.
    std::shared_ptr<const std::string> Page() const;
    // Whether the device at address (host byte order) is listed.
    bool Lists(std::uint32_t address) const;

private:
    std::vector<DeviceAddress> Listed();
    void ReadFromFileAgain();
    void Publish(const std::vector<DeviceAddress>& devices);
    void Store(const std::vector<DeviceRecord>& records);
    std::shared_ptr<const std::string> Format(const std::vector<DeviceRecord>& records) const;

    const ExporterOptions& m_options;
    const HealthLimits m_limits;
    std::vector<DeviceAddress> m_fromDevices; // only the watching thread uses it
    mutable CLock m_lock;
    std::vector<DeviceRecord> m_records;
    std::shared_ptr<const std::string> m_page = std::make_shared<const std::string>();
    std::unordered_set<std::uint32_t> m_listed;
};
