#pragma once

#include "ExporterOptions.h"
#include "FleetMemory.h"
#include "Logger.h"
#include "PageMaker.h"
#include "ReloadRecord.h"

#include "fleet/Fleet.h"
#include "health/DeviceRecord.h"
#include "health/Health.h"
#include "runtime/EventLoop.h"
#include "runtime/Lock.h"
#include "runtime/Signal.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

// The listed devices (arguments and --from), read by the fleet library on the program's loop, and their
// latest state for /metrics, so that a scrape never waits on a device. A device's first reading, and one
// that finds it up or down where it was not, shows on the page within a second of its end, any other
// within 5 s. Page and Lists may be called from any thread; the rest on the loop's thread.
class CFleetWatch : public IFleetListener {
public:
    // parallelReason: why the fleet reads as many devices at once as it does, for the log.
    CFleetWatch(const ExporterOptions& options, const HealthLimits& limits, std::string parallelReason = {});
    ~CFleetWatch() override;
    CFleetWatch(const CFleetWatch&) = delete;
    CFleetWatch& operator=(const CFleetWatch&) = delete;

    // Reads the devices on loop from now on. A set reload (reset here) reads --from again (kept as it was
    // when it cannot be): the devices it adds are read, those it drops end, and those listed before and
    // after keep their readings in progress and their last state. False when loop cannot watch reload.
    // loop and reload outlive the watch.
    bool Start(CEventLoop& loop, CSignal& reload);
    // Ends the reading and forgets the loop, which may then go; the last page stays.
    void Stop();
    // The listed devices' series, from their latest state.
    FleetPage Page() const;
    // Whether the device at address (host byte order) is listed.
    bool Lists(std::uint32_t address) const;
    // Whether every device listed at the start has had its first reading (or none is listed), and the
    // page shows them: /-/ready. May be called from any thread.
    bool Ready() const;
    // How the reads of --from went, and how many devices are watched.
    const CReloadRecord& Reloads() const { return m_reloads; }

    void OnReading(const FleetReading& reading) override;
    void OnPlan(const FleetPlan& plan) override;

private:
    std::vector<DeviceAddress> Listed();
    void Reload();
    void ReadFromFileAgain();
    void Publish(const std::vector<DeviceAddress>& devices);
    std::uint64_t ShowPage();
    void ArmPageTimer();
    void AnnounceReadyOncePageStands();
    void StopAwaitingReadyPage();
    void LogReady() const;

    const ExporterOptions& m_options;
    const std::string m_parallelReason;
    // Only the loop's thread uses these.
    std::vector<DeviceAddress> m_fromDevices;
    CFleetMemory m_memory;
    std::unordered_set<std::string> m_localFailures; // devices that failed for this PC's reason last
    std::unordered_set<std::string> m_awaitingFirst; // listed at the start and not read yet
    std::size_t m_localFailuresLogged = 0;
    bool m_urgent = false; // a reading changed the page in kind since it was last made
    std::chrono::steady_clock::time_point m_shownAt;
    CEventLoop* m_loop = nullptr;
    CSignal* m_reload = nullptr;
    LoopTimerId m_pageTimer = 0;
    bool m_awaitingReadyPage = false; // the loop watches the page maker's state signal for the ready page
    std::unique_ptr<CFleet> m_fleet;
    mutable CLock m_lock;
    std::unordered_set<std::uint32_t> m_listed; // guarded by m_lock
    // The page that shows every first reading: once it stands, the exporter is ready. 0 until asked for.
    std::atomic<std::uint64_t> m_readyPage{0};
    CReloadRecord m_reloads;
    const CLogger m_log;
    CPageMaker m_pageMaker; // goes first: its thread reads copies of m_memory only
};
