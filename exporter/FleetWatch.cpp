#include "FleetWatch.h"

#include "fleet/DeviceList.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

// How soon a reading that changes the page in kind (a device's first, or one up where it was down or
// back) shows on it: the page is made again at most this often, so that a fleet whose readings end one
// after another does not make it for each.
constexpr std::chrono::seconds kPageRefresh{1};
// The page is made again this often all the same, for the other readings and those that became overdue:
// a large fleet's page takes a while to make.
constexpr std::chrono::seconds kRoutineRefresh{5};

double UnixSecondsNow() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// A steady-clock time on this PC's clock, in Unix seconds.
double UnixSecondsAt(Clock::time_point at) {
    return UnixSecondsNow() + std::chrono::duration<double>(at - Clock::now()).count();
}

} // namespace

CFleetWatch::CFleetWatch(const ExporterOptions& options, const HealthLimits& limits,
                         std::string parallelReason)
    : m_options(options), m_parallelReason(std::move(parallelReason)), m_fromDevices(options.fromDevices),
      m_memory(limits), m_reloads(UnixSecondsNow()), m_log(options.logLevel, options.logFormat) {
    // Known before the server takes its first request: a probe of a listed device that comes before the
    // watch has started must not be refused as outside the allowed networks.
    Publish(Listed());
}

CFleetWatch::~CFleetWatch() {
    Stop();
}

void CFleetWatch::Stop() {
    m_fleet.reset();
    if (m_loop != nullptr) {
        StopAwaitingReadyPage();
        m_loop->ForgetSignal(*m_reload);
        m_loop->CancelTimer(m_pageTimer);
        m_loop = nullptr;
    }
}

bool CFleetWatch::Start(CEventLoop& loop, CSignal& reload) {
    if (!loop.WatchSignal(reload, [this](unsigned) { Reload(); })) {
        return false;
    }
    m_loop = &loop;
    m_reload = &reload;
    m_fleet = std::make_unique<CFleet>(loop, m_options.fleet, *this);
    const std::vector<DeviceAddress> devices = Listed();
    for (const DeviceAddress& device : devices) {
        m_awaitingFirst.insert(device.text);
    }
    if (m_awaitingFirst.empty()) {
        m_readyPage = ShowPage();
    }
    if (!m_pageMaker.Start()) {
        m_log.Log(LogLevel::Warn, "no thread for the fleet's page: it is made on the loop", {});
    }
    m_fleet->List(devices);
    ArmPageTimer();
    return true;
}

void CFleetWatch::Reload() {
    (void)m_reload->Reset();
    ReadFromFileAgain();
    const std::vector<DeviceAddress> devices = Listed();
    Publish(devices);
    m_fleet->List(devices);
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
        m_reloads.RecordSuccess(UnixSecondsNow());
        m_log.Log(LogLevel::Info, "device list read",
                  {{"file", m_options.fromPath}, {"devices", std::to_string(m_fromDevices.size())}});
    } else {
        m_reloads.RecordFailure();
        m_log.Log(LogLevel::Error, "device list not read; the devices listed before stay",
                  {{"reason", reason}, {"devices", std::to_string(m_fromDevices.size())}});
    }
}

void CFleetWatch::Publish(const std::vector<DeviceAddress>& devices) {
    std::vector<std::string> texts;
    std::unordered_set<std::uint32_t> listed;
    for (const DeviceAddress& device : devices) {
        texts.push_back(device.text);
        listed.insert(device.value);
    }
    m_memory.Keep(texts);
    m_reloads.SetDevices(devices.size());
    const std::unordered_set<std::string> listedTexts(texts.begin(), texts.end());
    std::erase_if(m_localFailures,
                  [&listedTexts](const std::string& address) { return !listedTexts.contains(address); });
    {
        CLockHold hold(m_lock);
        m_listed = std::move(listed);
    }
    ShowPage();
}

void CFleetWatch::OnReading(const FleetReading& reading) {
    m_urgent = m_urgent || m_memory.ChangesKind(reading.record);
    const std::optional<std::string> localFailure =
        m_memory.Take(reading.record, UnixSecondsAt(reading.nextDue));
    if (localFailure) {
        m_localFailures.insert(reading.record.address);
    } else {
        m_localFailures.erase(reading.record.address);
    }
    // Said when it begins, changes or ends, not at every reading.
    if (m_localFailures.size() != m_localFailuresLogged) {
        m_log.Log(m_localFailures.empty() ? LogLevel::Info : LogLevel::Warn,
                  "devices not read for a reason of this host; their last readings stay",
                  {{"devices", std::to_string(m_localFailures.size())},
                   {"reason", localFailure ? *localFailure : ""}});
        m_localFailuresLogged = m_localFailures.size();
    }
    if (m_readyPage == 0 && m_awaitingFirst.erase(reading.record.address) > 0 && m_awaitingFirst.empty()) {
        // Ready only once the page shows them too: a scrape right after /-/ready turned 200 must find
        // every device's series. A page asked for later stands for it as well.
        m_readyPage = ShowPage();
        AnnounceReadyOncePageStands();
    }
}

void CFleetWatch::OnPlan(const FleetPlan& plan) {
    const long long interval =
        std::chrono::duration_cast<std::chrono::seconds>(m_options.fleet.watchInterval).count();
    m_log.Log(LogLevel::Info, "fleet plan",
              {{"devices", std::to_string(plan.listed)},
               {"at_once", std::to_string(plan.atOnce)},
               {"why", m_parallelReason},
               {"reading", plan.keptConnected ? "each kept connected"
                                              : "each in turn on a rolling schedule, at most every " +
                                                    std::to_string(interval) + " s"}});
}

void CFleetWatch::ArmPageTimer() {
    m_pageTimer = m_loop->StartTimer(Clock::now() + kPageRefresh, [this](unsigned) {
        if (m_urgent || Clock::now() - m_shownAt >= kRoutineRefresh) {
            ShowPage();
        }
        ArmPageTimer();
    });
}

std::uint64_t CFleetWatch::ShowPage() {
    m_urgent = false;
    m_shownAt = Clock::now();
    return m_pageMaker.Ask(std::make_shared<const CFleetMemory>(m_memory), UnixSecondsNow());
}

// The moment /-/ready turns 200 is logged, for whoever waits on the log rather than asking. Every page the
// maker's thread makes sets its state signal; a page made at once, with no thread, sets nothing.
void CFleetWatch::AnnounceReadyOncePageStands() {
    if (!Ready()) {
        m_awaitingReadyPage = m_loop->WatchSignal(m_pageMaker.StateSignal(), [this](unsigned) {
            // Cleared before the look, so that a page made after it sets the signal again.
            (void)m_pageMaker.StateSignal().Reset();
            if (Ready()) {
                StopAwaitingReadyPage();
                LogReady();
            }
        });
        if (m_awaitingReadyPage) {
            return;
        }
        // Unwatched, the log says it a moment early rather than never.
    }
    LogReady();
}

void CFleetWatch::StopAwaitingReadyPage() {
    if (std::exchange(m_awaitingReadyPage, false)) {
        m_loop->ForgetSignal(m_pageMaker.StateSignal());
    }
}

void CFleetWatch::LogReady() const {
    m_log.Log(LogLevel::Info, "ready: every device listed at the start has its first reading", {});
}

bool CFleetWatch::Ready() const {
    const std::uint64_t readyPage = m_readyPage;
    return readyPage != 0 && m_pageMaker.MadeFor() >= readyPage;
}

FleetPage CFleetWatch::Page() const {
    return m_pageMaker.Page();
}

bool CFleetWatch::Lists(std::uint32_t address) const {
    CLockHold hold(m_lock);
    return m_listed.contains(address);
}
