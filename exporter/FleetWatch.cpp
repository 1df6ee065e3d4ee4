#include "FleetWatch.h"

#include "status/OptionChecks.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

// A kept device reads its date at least once an interval, a device read in turns once an interval and
// within the time-out; older than two of both, its reading no longer tells how it stands.
std::chrono::milliseconds StaleAfter(const FleetSettings& fleet) {
    return 2 * fleet.watchInterval + fleet.probe.timeout;
}

double UnixSecondsNow() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// Runs the loop, whose other handlers go on meanwhile, until stop or reload is set.
void WaitForEither(CEventLoop& loop, const CSignal& stop, const CSignal& reload) {
    // Unwatched (no descriptor for it), a set signal is still seen within a second.
    (void)loop.WatchSignal(stop, [](unsigned) {});
    (void)loop.WatchSignal(reload, [](unsigned) {});
    while (!stop.Wait(0) && !reload.Wait(0)) {
        (void)loop.Wait(CEventLoop::Clock::now() + std::chrono::seconds(1));
    }
    loop.ForgetSignal(stop);
    loop.ForgetSignal(reload);
}

} // namespace

CFleetWatch::CFleetWatch(const ExporterOptions& options, const HealthLimits& limits)
    : m_options(options), m_fromDevices(options.fromDevices), m_memory(limits, StaleAfter(options.fleet)),
      m_reloads(UnixSecondsNow()), m_log(options.logLevel, options.logFormat) {
    // Known before the server takes its first request: a probe of a listed device that comes before the
    // watch has started must not be refused as outside the allowed networks.
    Publish(Listed());
}

void CFleetWatch::Run(CEventLoop& loop, const CSignal& stop, CSignal& reload) {
    FleetSettings settings = m_options.fleet;
    settings.loop = &loop;
    std::vector<DeviceAddress> devices = Listed();
    Publish(devices);
    const RecordSink sink = [this](const std::vector<DeviceRecord>& records) { Store(records); };
    const DeviceListSource relist = [this, &devices] {
        ReadFromFileAgain();
        devices = Listed();
        Publish(devices);
        return devices;
    };
    while (!stop.Wait(0)) {
        if (devices.empty()) {
            WaitForEither(loop, stop, reload);
            if (reload.Wait(0)) {
                (void)reload.Reset();
                (void)relist();
            }
        } else {
            WatchChangingFleet(devices, settings, stop, reload, relist, sink);
        }
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
    std::unordered_set<std::string> texts;
    std::unordered_set<std::uint32_t> listed;
    for (const DeviceAddress& device : devices) {
        texts.insert(device.text);
        listed.insert(device.value);
    }
    m_memory.Keep(texts);
    m_reloads.SetDevices(devices.size());
    if (devices.empty()) {
        m_ready = true;
    }
    {
        CLockHold hold(m_lock);
        m_listed = std::move(listed);
    }
    ShowPage();
}

void CFleetWatch::Store(const std::vector<DeviceRecord>& records) {
    m_ready = true;
    const std::vector<std::string> localFailures = m_memory.Take(records);
    // Said when it begins, changes or ends, not every update.
    if (localFailures.size() != m_localFailures) {
        m_log.Log(localFailures.empty() ? LogLevel::Info : LogLevel::Warn,
                  "devices not read for a reason of this host; their last readings stay",
                  {{"devices", std::to_string(localFailures.size())},
                   {"reason", localFailures.empty() ? "" : localFailures.front()}});
        m_localFailures = localFailures.size();
    }
    ShowPage();
}

void CFleetWatch::ShowPage() {
    auto text = std::make_shared<const std::string>(m_memory.Page(UnixSecondsNow()));
    auto deflated = std::make_shared<const DeflatedPiece>(Deflate(*text, true));
    CLockHold hold(m_lock);
    m_page = {std::move(text), std::move(deflated)};
}

FleetPage CFleetWatch::Page() const {
    CLockHold hold(m_lock);
    return m_page;
}

bool CFleetWatch::Lists(std::uint32_t address) const {
    CLockHold hold(m_lock);
    return m_listed.contains(address);
}
