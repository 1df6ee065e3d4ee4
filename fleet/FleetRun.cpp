// The one thread that drives every device probe of a run: one event loop holds every link, timer and NTP
// check, and each wake looks only at the probes that had news.
#include "FleetRun.h"

#include "runtime/WaitTime.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>
#include <unordered_map>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

// A wait the loop could not make is tried again after this, so that a broken wait never spins.
constexpr std::uint32_t kFailedWaitPauseMs = 1000;

// The loop of a run, what its probes live on, and the probes that have news since the last look.
class CFleetLoop {
public:
    // Nothing when this PC gives no loop (no descriptor left for it).
    static std::unique_ptr<CFleetLoop> Create(const FleetSettings& settings, const CSignal& stop) {
        std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
        if (!loop) {
            return nullptr;
        }
        auto fleet = std::unique_ptr<CFleetLoop>(new CFleetLoop(std::move(loop), settings, stop));
        // Its handler need do nothing: a set signal ends the wait, and the caller reads it.
        if (!fleet->m_loop->WatchSignal(stop, [](unsigned) {})) {
            return nullptr;
        }
        return fleet;
    }

    ProbeGround Ground() { return {*m_loop, m_sockets, *m_ntp}; }
    // Whether the sockets have room for one more device's race.
    bool HasRoomForADevice() const { return m_sockets.HasRoom(kSocketsOfARace); }
    // What the probe in slot calls when it wants a look.
    std::function<void()> NewsFor(std::size_t slot) {
        m_queued.resize(std::max(m_queued.size(), slot + 1), false);
        return [this, slot] {
            if (!m_queued[slot]) {
                m_queued[slot] = true;
                m_news.push_back(slot);
            }
        };
    }
    // Waits until some probe has news, a watched signal is set or until passes; the slots with news.
    std::vector<std::size_t> Wait(std::optional<Clock::time_point> until) {
        // News that came outside a wait (a check that could not start) must not wait for more.
        if (m_loop->Wait(m_news.empty() ? until : std::optional(Clock::now())) < 0) {
            // A wait this PC could not make would fail again at once: stop alone is waited for.
            (void)m_stop.Wait(until ? std::min(MillisecondsUntil(*until), kFailedWaitPauseMs)
                                    : kFailedWaitPauseMs);
        }
        for (const std::size_t slot : m_news) {
            m_queued[slot] = false;
        }
        return std::exchange(m_news, {});
    }

private:
    CFleetLoop(std::unique_ptr<CEventLoop> loop, const FleetSettings& settings, const CSignal& stop)
        : m_loop(std::move(loop)), m_sockets(std::max(settings.sockets, kSocketsOfARace)),
          m_ntp(std::make_unique<CNtpExchange>(*m_loop)), m_stop(stop) {}

    std::unique_ptr<CEventLoop> m_loop;
    CSocketBudget m_sockets;
    std::unique_ptr<CNtpExchange> m_ntp; // over the loop: goes first
    const CSignal& m_stop;
    std::vector<std::size_t> m_news;
    std::vector<bool> m_queued; // by slot: whether it is in m_news
};

std::unique_ptr<CDeviceProbe> MakeProbe(CFleetLoop& fleet, std::size_t slot, const DeviceAddress& device,
                                        const FleetSettings& settings, CNtpHistory history = {}) {
    return std::make_unique<CDeviceProbe>(fleet.Ground(), device.text, device.value, settings.probe,
                                          std::move(history), fleet.NewsFor(slot));
}

// The loop's wait ends at until, or with news only when it is the end of time.
std::optional<Clock::time_point> WaitLimit(Clock::time_point until) {
    return until == Clock::time_point::max() ? std::nullopt : std::optional(until);
}

// The devices as this PC left them when it gave no loop to read them on: none was asked.
std::vector<DeviceRecord> RecordsWithoutLoop(const std::vector<DeviceAddress>& devices,
                                             const FleetSettings& settings) {
    std::vector<DeviceRecord> records(devices.size());
    for (std::size_t index = 0; index < devices.size(); ++index) {
        records[index].address = devices[index].text;
        records[index].failure = "no socket";
        records[index].failureKind = FailureKind::LocalFailure;
        if (settings.probe.ntp) {
            records[index].ntp = UnansweredNtp("no socket", FailureKind::LocalFailure);
        }
    }
    return records;
}

// "the 9 s deadline", as the records of a run that reached it say.
std::string DeadlineText(std::chrono::milliseconds deadline) {
    char text[48];
    std::snprintf(text, sizeof text, "the %g s deadline", std::chrono::duration<double>(deadline).count());
    return text;
}

// A device the run never started: nothing is known of it.
DeviceRecord NotReadRecord(const DeviceAddress& device) {
    DeviceRecord record;
    record.address = device.text;
    record.failure = "not read: the run's deadline came first";
    record.failureKind = FailureKind::NotRead;
    return record;
}

// Every device not finished yet: timed out if it had the time a healthy device needs, else not read, as
// are those never started.
void ExpireAtDeadline(const std::vector<DeviceAddress>& devices, const FleetSettings& settings,
                      std::vector<std::unique_ptr<CDeviceProbe>>& probes,
                      const std::vector<Clock::time_point>& startedAt, Clock::time_point end,
                      std::vector<DeviceRecord>& records) {
    const std::string limit = DeadlineText(settings.deadline);
    const Clock::time_point now = Clock::now();
    for (std::size_t index = 0; index < devices.size(); ++index) {
        if (probes[index] && end - startedAt[index] >= settings.shortestReading) {
            probes[index]->Expire(limit, now);
            records[index] = probes[index]->Record(now);
        } else if (probes[index]) {
            probes[index]->GiveUp(now);
            records[index] = probes[index]->Record(now);
        } else if (records[index].address.empty()) {
            records[index] = NotReadRecord(devices[index]);
        }
    }
}

// The devices read at once.
std::size_t AtOnce(const FleetSettings& settings) {
    return std::max<std::size_t>(settings.parallel, 1);
}

// Updates the probes with news; a finished one leaves its record and its NTP checks and frees its place
// (its links close). Returns the indices of those that finished.
std::vector<std::size_t> CollectFinished(const std::vector<std::size_t>& news,
                                         std::vector<std::unique_ptr<CDeviceProbe>>& probes,
                                         Clock::time_point now, std::vector<DeviceRecord>& records,
                                         std::vector<CNtpHistory>& histories) {
    std::vector<std::size_t> finished;
    for (const std::size_t index : news) {
        if (probes[index] && (probes[index]->Update(now), probes[index]->IsFinished())) {
            records[index] = probes[index]->Record(now);
            histories[index] = probes[index]->NtpHistory();
            probes[index].reset();
            finished.push_back(index);
        }
    }
    return finished;
}

// Hands the NTP checks of the first `started` devices, those the run started, to the store that outlives
// the run, if there is one: a probe still there was ended by the deadline or a stop.
void KeepNtpHistories(const std::vector<DeviceAddress>& devices, std::size_t started,
                      const std::vector<std::unique_ptr<CDeviceProbe>>& probes,
                      const std::vector<CNtpHistory>& histories, CNtpHistoryStore* store) {
    if (store == nullptr) {
        return;
    }
    const Clock::time_point now = Clock::now();
    for (std::size_t index = 0; index < started; ++index) {
        store->Keep(devices[index].value, probes[index] ? probes[index]->NtpHistory() : histories[index],
                    now);
    }
}

// The report after the one due at nextEmit: intervals are kept on the grid of the start, however long
// the sink took.
Clock::time_point NextEmit(Clock::time_point nextEmit, Clock::time_point now, const FleetSettings& settings) {
    while (nextEmit <= now) {
        nextEmit += settings.watchInterval;
    }
    return nextEmit;
}

// Reports the devices as this PC left them without a loop, every interval until stop is set.
void WatchWithoutLoop(const std::vector<DeviceAddress>& devices, const FleetSettings& settings,
                      const CSignal& stop, const RecordSink& sink) {
    const std::vector<DeviceRecord> records = RecordsWithoutLoop(devices, settings);
    do {
        sink(records);
    } while (!stop.Wait(static_cast<std::uint32_t>(settings.watchInterval.count())));
}

// Each device's latest reading, in the listed order: pending until its first.
class CLatestRecords : public IFleetListener {
public:
    explicit CLatestRecords(const std::vector<DeviceAddress>& devices) : m_records(devices.size()) {
        for (std::size_t index = 0; index < devices.size(); ++index) {
            m_records[index].address = devices[index].text;
            m_records[index].failure = "pending";
            m_records[index].failureKind = FailureKind::Pending;
            m_indices.emplace(devices[index].text, index);
        }
    }

    void OnReading(const FleetReading& reading) override {
        m_records[m_indices.at(reading.record.address)] = reading.record;
    }
    void OnPlan(const FleetPlan&) override {}
    const std::vector<DeviceRecord>& Records() const { return m_records; }

private:
    std::vector<DeviceRecord> m_records;
    std::unordered_map<std::string, std::size_t> m_indices;
};

} // namespace

bool ReadFleetOnce(const std::vector<DeviceAddress>& devices, const FleetSettings& settings,
                   const CSignal& stop, const RecordSink& sink) {
    const std::unique_ptr<CFleetLoop> fleet = CFleetLoop::Create(settings, stop);
    if (!fleet) {
        sink(RecordsWithoutLoop(devices, settings));
        return !stop.Wait(0);
    }
    std::vector<DeviceRecord> records(devices.size());
    std::vector<std::unique_ptr<CDeviceProbe>> probes(devices.size());
    std::vector<CNtpHistory> histories(devices.size());
    std::vector<Clock::time_point> startedAt(devices.size());
    std::size_t nextToStart = 0;
    std::size_t active = 0;
    bool stopped = false;
    const Clock::time_point start = Clock::now();
    const Clock::time_point end =
        settings.deadline.count() > 0 ? start + settings.deadline : Clock::time_point::max();
    while (!stopped && (nextToStart < devices.size() || active > 0)) {
        const Clock::time_point now = Clock::now();
        if (now >= end) {
            ExpireAtDeadline(devices, settings, probes, startedAt, end, records);
            break;
        }
        for (; nextToStart < devices.size() && active < AtOnce(settings) && fleet->HasRoomForADevice();
             ++nextToStart) {
            probes[nextToStart] = MakeProbe(*fleet, nextToStart, devices[nextToStart], settings,
                                            settings.ntpHistories != nullptr
                                                ? settings.ntpHistories->Take(devices[nextToStart].value, now)
                                                : CNtpHistory{});
            probes[nextToStart]->Start(now);
            startedAt[nextToStart] = now;
            ++active;
        }
        const std::vector<std::size_t> news = fleet->Wait(WaitLimit(end));
        stopped = stop.Wait(0);
        active -= CollectFinished(news, probes, Clock::now(), records, histories).size();
    }
    for (std::size_t index = 0; index < devices.size(); ++index) {
        if (records[index].address.empty()) {
            records[index].address = devices[index].text;
            records[index].failure = "interrupted";
            records[index].interrupted = true;
        }
    }
    KeepNtpHistories(devices, nextToStart, probes, histories, settings.ntpHistories);
    probes.clear();
    sink(records);
    return !stopped;
}
void WatchFleet(const std::vector<DeviceAddress>& devices, const FleetSettings& settings, const CSignal& stop,
                const RecordSink& sink) {
    const std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
    // Its handler need do nothing: a set signal ends the wait, and the loop below reads it.
    if (!loop || !loop->WatchSignal(stop, [](unsigned) {})) {
        WatchWithoutLoop(devices, settings, stop, sink);
        return;
    }
    CLatestRecords latest(devices);
    CFleet fleet(*loop, settings, latest);
    fleet.List(devices);
    Clock::time_point nextEmit = Clock::now() + settings.watchInterval;
    while (!stop.Wait(0)) {
        if (loop->Wait(nextEmit) < 0) {
            // A wait this PC could not make would fail again at once: stop alone is waited for.
            (void)stop.Wait(std::min(MillisecondsUntil(nextEmit), kFailedWaitPauseMs));
        }
        const Clock::time_point now = Clock::now();
        if (now >= nextEmit && !stop.Wait(0)) {
            sink(latest.Records());
            nextEmit = NextEmit(nextEmit, now, settings);
        }
    }
}
