// The long-lived fleet: one schedule entry per device, a place for each probe, and every look at a probe
// made in a timer of the fleet's own, so that a probe may end while none of its own handlers runs.
#include "Fleet.h"

#include <algorithm>
#include <cstdio>

namespace {

// A kept connection is polled twice an interval (the date and the peer table alternate), but at least
// this often, so that neither the device nor a network device between finds it idle.
constexpr std::chrono::milliseconds kLongestPollPacing = std::chrono::seconds(5);
// The readings that ended within this long tell the pace of a rolling schedule.
constexpr std::chrono::seconds kPaceWindow{20};
// Room in a rolling device's due time for a pace that slows down (a busy PC, failing devices).
constexpr double kPaceMargin = 1.5;
// How soon a start that found no socket left is tried again, should no news come before.
constexpr std::chrono::milliseconds kSocketRetry{100};

// Where in the interval a kept device reports, as a fraction of it, the same for each address every time:
// spread evenly over a fleet (a multiplicative hash of the address), so that a fleet that connected at
// once does not report, and check NTP, all in the same moment of every interval ever after.
double ReportPhase(std::uint32_t address) {
    constexpr std::uint64_t kGoldenRatio32 = 2654435769u;
    return static_cast<double>((address * kGoldenRatio32) & 0xFFFFFFFFu) / 4294967296.0;
}

// A kept device's own pace of polls: between three quarters of the fleet's and all of it, by its phase, so
// that polls that began together drift apart within a few rounds instead of coming all at once for ever.
ProbeSettings PacedForDevice(ProbeSettings settings, std::uint32_t address) {
    settings.pollPacing = std::chrono::duration_cast<std::chrono::milliseconds>(
        settings.pollPacing * (0.75 + 0.25 * ReportPhase(address)));
    return settings;
}

FleetSettings PacedForWatch(FleetSettings settings) {
    settings.probe.pollPacing = std::min(settings.watchInterval / 2, kLongestPollPacing);
    return settings;
}

} // namespace

CFleet::CFleet(CEventLoop& loop, const FleetSettings& settings, IFleetListener& listener)
    : m_loop(loop), m_settings(PacedForWatch(settings)), m_listener(listener),
      m_sockets(std::max(settings.sockets, kSocketsOfARace)), m_ntp(std::make_unique<CNtpExchange>(loop)) {
    m_plan.atOnce = std::max<std::size_t>(settings.parallel, 1);
}

CFleet::~CFleet() {
    const Clock::time_point now = Clock::now();
    for (auto& [address, device] : m_devices) {
        if (device->reportTimer != 0) {
            m_loop.CancelTimer(device->reportTimer);
        }
        // A reading ended by a stop still asked its NTP service.
        if (device->probe && m_settings.ntpHistories != nullptr) {
            m_settings.ntpHistories->Keep(address, device->probe->NtpHistory(), now);
        }
    }
    m_devices.clear();
    for (const LoopTimerId timer : {m_lookTimer, m_wakeTimer}) {
        if (timer != 0) {
            m_loop.CancelTimer(timer);
        }
    }
}

void CFleet::List(const std::vector<DeviceAddress>& devices) {
    const Clock::time_point now = Clock::now();
    std::unordered_map<std::uint32_t, std::unique_ptr<Device>> listed;
    for (const DeviceAddress& address : devices) {
        if (listed.contains(address.value)) {
            continue;
        }
        const auto found = m_devices.find(address.value);
        if (found != m_devices.end()) {
            listed.emplace(address.value, std::move(found->second));
            m_devices.erase(found);
            continue;
        }
        auto device = std::make_unique<Device>();
        device->address = address;
        Wait(*device, now);
        listed.emplace(address.value, std::move(device));
    }
    // The dropped ones: their probes end here, and their news finds nobody.
    for (auto& [address, device] : m_devices) {
        Unwait(*device);
        if (device->reportTimer != 0) {
            m_loop.CancelTimer(device->reportTimer);
        }
        m_holding -= device->probe ? 1 : 0;
    }
    m_devices = std::move(listed);
    const FleetPlan plan{m_devices.size(), m_plan.atOnce,
                         m_settings.watchInterval.count() > 0 && m_devices.size() <= m_plan.atOnce};
    const bool changed =
        !m_listed || plan.listed != m_plan.listed || plan.keptConnected != m_plan.keptConnected;
    m_plan = plan;
    m_listed = true;
    if (changed) {
        m_listener.OnPlan(m_plan);
    }
    ArmWake(now);
}

void CFleet::EndAtDeadline(Clock::time_point end) {
    char limit[48];
    std::snprintf(limit, sizeof limit, "the %g s deadline",
                  std::chrono::duration<double>(m_settings.deadline).count());
    // An answer that reached this PC before the deadline is no time-out, however busy the loop was.
    m_ntp->TakeArrivals();
    const Clock::time_point now = Clock::now();
    for (auto& [address, device] : m_devices) {
        if (device->probe && end - device->startedAt >= m_settings.shortestReading) {
            device->probe->Expire(limit, now);
            Release(*device, now);
        } else if (device->probe) {
            device->probe->GiveUp(now);
            Release(*device, now);
        } else if (device->startAt) {
            Unwait(*device);
            DeviceRecord record;
            record.address = device->address.text;
            record.failure = "not read: the run's deadline came first";
            record.failureKind = FailureKind::NotRead;
            Publish(*device, record, now);
        }
    }
}

CFleet::Device* CFleet::Find(std::uint32_t address) {
    const auto found = m_devices.find(address);
    return found == m_devices.end() ? nullptr : found->second.get();
}

void CFleet::NewsOf(std::uint32_t address) {
    m_news.push_back(address);
    if (m_lookTimer == 0) {
        m_lookTimer = m_loop.StartTimer(Clock::time_point(), [this](unsigned) {
            m_lookTimer = 0;
            Look();
        });
    }
}

void CFleet::Look() {
    const Clock::time_point now = Clock::now();
    std::vector<std::uint32_t> news = std::exchange(m_news, {});
    std::sort(news.begin(), news.end());
    news.erase(std::unique(news.begin(), news.end()), news.end());
    for (const std::uint32_t address : news) {
        if (Device* device = Find(address); device != nullptr && device->probe) {
            TakeNews(*device, now);
        }
    }
    StartWaiting(now);
}

void CFleet::TakeNews(Device& device, Clock::time_point now) {
    const ProbePhase phase = device.probe->Update(now);
    device.linkHint = device.probe->Hint();
    if (!m_plan.keptConnected) {
        if (device.probe->IsFinished()) {
            CountFinished(now);
            Release(device, now);
        }
        return;
    }
    if (phase == ProbePhase::Complete && !device.published && !device.probe->IsNtpRunning()) {
        Report(device, now);
    } else if (phase == ProbePhase::Down && !device.startAt) {
        // Lost, or never read: said at once, and tried again after a growing delay.
        if (device.reportTimer != 0) {
            m_loop.CancelTimer(device.reportTimer);
            device.reportTimer = 0;
        }
        const Clock::time_point reconnectAt = now + device.probe->ReconnectDelay().Next();
        Publish(device, device.probe->Record(now), reconnectAt + m_settings.probe.timeout);
        Wait(device, reconnectAt);
    }
}

void CFleet::Release(Device& device, Clock::time_point now) {
    const DeviceRecord record = device.probe->Record(now);
    device.ntpHistory = device.probe->NtpHistory();
    device.linkHint = device.probe->Hint();
    if (m_settings.ntpHistories != nullptr) {
        m_settings.ntpHistories->Keep(device.address.value, device.ntpHistory, now);
    }
    device.probe.reset();
    --m_holding;
    if (device.reportTimer != 0) {
        m_loop.CancelTimer(device.reportTimer);
        device.reportTimer = 0;
    }
    if (m_settings.watchInterval.count() > 0) {
        Wait(device, std::max(now, device.startedAt + m_settings.watchInterval));
    }
    Publish(device, record, RollingDue(device, now));
}

void CFleet::Report(Device& device, Clock::time_point now) {
    device.reportTimer = 0;
    if (!m_plan.keptConnected) {
        // The list outgrew the places: the kept connection gives its place up.
        Release(device, now);
        return;
    }
    const DeviceRecord record = device.probe->Record(now);
    device.probe->StartNtpCheck(now);
    // The first report after a connection moves the device to its own phase of the interval: the next
    // comes within half an interval either side of one interval.
    const auto untilNext = device.published
                               ? m_settings.watchInterval
                               : std::chrono::duration_cast<Clock::duration>(
                                     m_settings.watchInterval * (0.5 + ReportPhase(device.address.value)));
    // A connection that stays open while the device answers nothing new is not on schedule.
    Clock::time_point due = device.nextDue;
    if (!device.published || record.deviceUnixMicros != device.lastAnswer) {
        due = now + untilNext + m_settings.probe.timeout;
        device.lastAnswer = record.deviceUnixMicros;
    }
    Publish(device, record, due);
    device.published = true;
    ArmReport(device, now + untilNext);
}

void CFleet::ArmReport(Device& device, Clock::time_point at) {
    const std::uint32_t address = device.address.value;
    device.reportTimer = m_loop.StartTimer(at, [this, address](unsigned) {
        if (Device* reported = Find(address); reported != nullptr && reported->probe) {
            Report(*reported, Clock::now());
            StartWaiting(Clock::now());
        }
    });
}

void CFleet::StartWaiting(Clock::time_point now) {
    while (!m_waiting.empty()) {
        const Clock::time_point at = std::get<0>(*m_waiting.begin());
        // A variable, not a structured binding: clang before 16 cannot capture those.
        const std::uint32_t address = std::get<2>(*m_waiting.begin());
        if (at > now) {
            ArmWake(at);
            return;
        }
        Device& device = *Find(address);
        // A place frees when a reading ends, whose news brings the next look.
        if (!device.probe && m_holding >= m_plan.atOnce) {
            return;
        }
        if (!m_sockets.HasRoom(kSocketsOfARace)) {
            ArmWake(now + kSocketRetry);
            return;
        }
        Unwait(device);
        if (!device.probe) {
            CNtpHistory history = m_settings.ntpHistories != nullptr
                                      ? m_settings.ntpHistories->Take(address, now)
                                      : std::move(device.ntpHistory);
            device.probe = std::make_unique<CDeviceProbe>(
                ProbeGround{m_loop, m_sockets, *m_ntp}, device.address.text, device.address.value,
                PacedForDevice(m_settings.probe, address), std::move(history),
                [this, address] { NewsOf(address); }, device.linkHint);
            ++m_holding;
        }
        device.published = false;
        device.startedAt = now;
        device.probe->Start(now);
        m_listener.OnReadingStarted(device.address);
    }
}

void CFleet::Wait(Device& device, Clock::time_point at) {
    Unwait(device);
    device.startAt = at;
    device.waitTurn = ++m_waitTurns;
    m_waiting.emplace(at, device.waitTurn, device.address.value);
}

void CFleet::Unwait(Device& device) {
    if (device.startAt) {
        m_waiting.erase({*device.startAt, device.waitTurn, device.address.value});
        device.startAt.reset();
    }
}

void CFleet::ArmWake(Clock::time_point at) {
    if (m_wakeTimer != 0 && m_wakeAt <= at) {
        return;
    }
    if (m_wakeTimer != 0) {
        m_loop.CancelTimer(m_wakeTimer);
    }
    m_wakeAt = at;
    m_wakeTimer = m_loop.StartTimer(at, [this](unsigned) {
        m_wakeTimer = 0;
        m_wakeAt = Clock::time_point::max();
        Look();
    });
}

void CFleet::Publish(Device& device, const DeviceRecord& record, Clock::time_point nextDue) {
    device.nextDue = nextDue;
    m_listener.OnReading({record, nextDue});
}

// Every device that waits starts before this one: at the pace of the last readings, or at the slowest
// a full place can go (each reading taking the whole time-out) while there is none to measure.
CFleet::Clock::time_point CFleet::RollingDue(const Device& device, Clock::time_point now) const {
    const double waiting = static_cast<double>(m_waiting.size());
    const double timeout = std::chrono::duration<double>(m_settings.probe.timeout).count();
    const double perSecond = m_finished.empty()
                                 ? static_cast<double>(m_plan.atOnce) / timeout
                                 : static_cast<double>(m_finished.size()) / kPaceWindow.count();
    const auto backlog = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(kPaceMargin * waiting / perSecond));
    return std::max(device.startedAt + m_settings.watchInterval, now + backlog) + m_settings.probe.timeout;
}

void CFleet::CountFinished(Clock::time_point now) {
    m_finished.push_back(now);
    while (m_finished.front() < now - kPaceWindow) {
        m_finished.pop_front();
    }
}
