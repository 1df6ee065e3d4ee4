#pragma once

#include "ExporterOptions.h"
#include "FleetMemory.h"
#include "GzipPieces.h"
#include "ReloadRecord.h"

#include "health/DeviceRecord.h"
#include "health/Health.h"
#include "runtime/EventLoop.h"
#include "runtime/Lock.h"
#include "runtime/Signal.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

// The fleet's part of /metrics, as text and as a compressed piece of a gzip answer: both made once an
// update and shared by every scrape until the next.
struct FleetPage {
    std::shared_ptr<const std::string> text;
    std::shared_ptr<const DeflatedPiece> deflated; // the last piece of its member
};

// The listed devices (arguments and --from), kept connected by the status library's watch, and their
// latest state for /metrics, so that a scrape never waits on a device.
class CFleetWatch {
public:
    CFleetWatch(const ExporterOptions& options, const HealthLimits& limits);

    // Watches the devices on loop, the program's, until stop is set. A set reload reads --from again (kept as
    // it was when it cannot be): the devices it adds are connected and those it drops disconnected, while
    // those listed before and after keep their connections and their last state. The caller sets reload as
    // well when it sets stop.
    void Run(CEventLoop& loop, const CSignal& stop, CSignal& reload);
    // The listed devices' series, from their latest state.
    FleetPage Page() const;
    // Whether the device at address (host byte order) is listed.
    bool Lists(std::uint32_t address) const;
    // Whether the first readings are in (or no device is listed): /-/ready.
    bool Ready() const { return m_ready; }
    // How the reads of --from went, and how many devices are watched.
    const CReloadRecord& Reloads() const { return m_reloads; }

private:
    std::vector<DeviceAddress> Listed();
    void ReadFromFileAgain();
    void Publish(const std::vector<DeviceAddress>& devices);
    void Store(const std::vector<DeviceRecord>& records);
    void ShowPage();

    const ExporterOptions& m_options;
    // Only the watching thread uses these two.
    std::vector<DeviceAddress> m_fromDevices;
    CFleetMemory m_memory;
    std::size_t m_localFailures = 0; // devices that failed for this PC's reason at the last update
    mutable CLock m_lock;
    FleetPage m_page;
    std::unordered_set<std::uint32_t> m_listed;
    std::atomic<bool> m_ready{false};
    CReloadRecord m_reloads;
    const CLogger m_log;
};
