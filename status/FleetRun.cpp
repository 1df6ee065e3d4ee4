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

// A kept connection is polled twice an interval (the date and the peer table alternate), but at least
// this often, so that neither the device nor a network device between finds it idle.
constexpr std::chrono::milliseconds kLongestPollPacing = std::chrono::seconds(5);
// A wait the loop could not make is tried again after this, so that a broken wait never spins.
constexpr std::uint32_t kFailedWaitPauseMs = 1000;

// The loop of a run, what its probes live on, and the probes that have news since the last look.
class CFleetLoop {
public:
    // Nothing when this PC gives no loop (no descriptor left for it).
    static std::unique_ptr<CFleetLoop> Create(const FleetSettings& settings, const CSignal& stop,
                                              const CSignal* reload) {
        std::unique_ptr<CEventLoop> own = settings.loop != nullptr ? nullptr : CEventLoop::Create();
        CEventLoop* loop = settings.loop != nullptr ? settings.loop : own.get();
        if (loop == nullptr) {
            return nullptr;
        }
        auto fleet =
            std::unique_ptr<CFleetLoop>(new CFleetLoop(std::move(own), *loop, settings, stop, reload));
        // Their handlers need do nothing: a set signal ends the wait, and the caller reads it.
        if (!loop->WatchSignal(stop, [](unsigned) {}) ||
            (reload != nullptr && !loop->WatchSignal(*reload, [](unsigned) {}))) {
            return nullptr;
        }
        return fleet;
    }
    // A loop shared with others outlives the run: it watches the run's signals no more.
    ~CFleetLoop() {
        m_ntp.reset();
        m_loop.ForgetSignal(m_stop);
        if (m_reload != nullptr) {
            m_loop.ForgetSignal(*m_reload);
        }
    }
    CFleetLoop(const CFleetLoop&) = delete;
    CFleetLoop& operator=(const CFleetLoop&) = delete;

    ProbeGround Ground() { return {m_loop, m_sockets, *m_ntp}; }
    CEventLoop& Loop() { return m_loop; }
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
        if (m_loop.Wait(m_news.empty() ? until : std::optional(Clock::now())) < 0) {
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
    CFleetLoop(std::unique_ptr<CEventLoop> own, CEventLoop& loop, const FleetSettings& settings,
               const CSignal& stop, const CSignal* reload)
        : m_ownLoop(std::move(own)), m_loop(loop), m_sockets(std::max(settings.sockets, kSocketsOfARace)),
          m_ntp(std::make_unique<CNtpExchange>(m_loop)), m_stop(stop), m_reload(reload) {}

    std::unique_ptr<CEventLoop> m_ownLoop; // none when the program's loop is shared
    CEventLoop& m_loop;
    CSocketBudget m_sockets;
    std::unique_ptr<CNtpExchange> m_ntp; // over the loop: goes first
    const CSignal& m_stop;
    const CSignal* m_reload;
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

bool IsFinished(const CDeviceProbe& probe) {
    return probe.Phase() != ProbePhase::Reading && !probe.IsNtpRunning();
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
        if (probes[index] && (probes[index]->Update(now), IsFinished(*probes[index]))) {
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

FleetSettings PacedForWatch(FleetSettings settings) {
    settings.probe.pollPacing = std::min(settings.watchInterval / 2, kLongestPollPacing);
    return settings;
}

// A change of the watched list: the reload request and where the new list comes from.
struct FleetChange {
    CSignal& reload;
    const DeviceListSource& relist;
};

// Reports the devices as this PC left them without a loop, every interval until stop is set.
void WatchWithoutLoop(const std::vector<DeviceAddress>& devices, const FleetSettings& settings,
                      const CSignal& stop, const RecordSink& sink) {
    const std::vector<DeviceRecord> records = RecordsWithoutLoop(devices, settings);
    do {
        sink(records);
    } while (!stop.Wait(static_cast<std::uint32_t>(settings.watchInterval.count())));
}

// One device kept connected: its probe, the slot its news names, and when it is to be tried again after
// it was lost.
struct KeptProbe {
    DeviceAddress device;
    std::size_t slot = 0;
    std::unique_ptr<CDeviceProbe> probe;
    std::optional<Clock::time_point> reconnectAt;
};

// The devices kept connected, in the listed order, with the slots of their news.
class CKeptFleet {
public:
    CKeptFleet(CFleetLoop& fleet, const FleetSettings& settings) : m_fleet(fleet), m_settings(settings) {}

    // Takes devices as the list: those still listed keep their probes, added ones wait to start, and the
    // dropped ones' probes end.
    void List(const std::vector<DeviceAddress>& devices) {
        std::unordered_map<std::uint32_t, std::unique_ptr<KeptProbe>> byAddress;
        for (std::unique_ptr<KeptProbe>& one : m_kept) {
            byAddress.emplace(one->device.value, std::move(one));
        }
        m_kept.clear();
        m_bySlot.clear();
        for (const DeviceAddress& device : devices) {
            const auto found = byAddress.find(device.value);
            if (found != byAddress.end()) {
                m_kept.push_back(std::move(found->second));
            } else {
                m_kept.push_back(
                    std::make_unique<KeptProbe>(KeptProbe{device, m_nextSlot, nullptr, std::nullopt}));
                m_kept.back()->probe = MakeProbe(m_fleet, m_nextSlot++, device, m_settings);
                m_waiting.push_back(m_kept.back()->slot);
            }
            m_bySlot.emplace(m_kept.back()->slot, m_kept.back().get());
        }
    }

    // Starts the devices that wait, as far as the sockets allow.
    void StartWaiting(Clock::time_point now) {
        while (!m_waiting.empty() && m_fleet.HasRoomForADevice()) {
            const auto found = m_bySlot.find(m_waiting.front());
            m_waiting.pop_front();
            // A device dropped from the list while it waited is gone.
            if (found != m_bySlot.end()) {
                found->second->probe->Start(now);
            }
        }
    }

    // Looks at the devices with news: a lost one is tried again after a growing delay.
    void TakeNews(const std::vector<std::size_t>& news, Clock::time_point now) {
        for (const std::size_t slot : news) {
            const auto found = m_bySlot.find(slot);
            if (found == m_bySlot.end()) {
                continue;
            }
            KeptProbe& one = *found->second;
            if (one.probe->Update(now) != ProbePhase::Down) {
                continue;
            }
            if (!one.reconnectAt) {
                one.reconnectAt = now + one.probe->ReconnectDelay().Next();
                // The timer's news comes to nobody once the device is dropped.
                (void)m_fleet.Loop().StartTimer(*one.reconnectAt,
                                                [news = m_fleet.NewsFor(slot)](unsigned) { news(); });
            } else if (now >= *one.reconnectAt) {
                one.reconnectAt.reset();
                m_waiting.push_back(slot);
            }
        }
    }

    // Every device's record, in the listed order; each starts an NTP check when its floor allows.
    std::vector<DeviceRecord> Records(Clock::time_point now) {
        std::vector<DeviceRecord> records;
        for (const std::unique_ptr<KeptProbe>& one : m_kept) {
            records.push_back(one->probe->Record(now));
            one->probe->StartNtpCheck(now);
        }
        return records;
    }

private:
    CFleetLoop& m_fleet;
    const FleetSettings& m_settings;
    std::vector<std::unique_ptr<KeptProbe>> m_kept;
    std::unordered_map<std::size_t, KeptProbe*> m_bySlot;
    std::deque<std::size_t> m_waiting; // slots of devices to start when the sockets have room
    std::size_t m_nextSlot = 0;
};

// As many devices as may be read at once: each keeps its probe connected, and a lost one is
// reconnected after a growing delay. With a change, a new list that still fits is taken in place; one
// that does not ends the watch (the caller watches it another way).
void KeepFleetConnected(const std::vector<DeviceAddress>& devices, const FleetSettings& given,
                        const CSignal& stop, const FleetChange* change, const RecordSink& sink) {
    const FleetSettings settings = PacedForWatch(given);
    const std::unique_ptr<CFleetLoop> fleet =
        CFleetLoop::Create(settings, stop, change ? &change->reload : nullptr);
    if (!fleet) {
        WatchWithoutLoop(devices, settings, stop, sink);
        return;
    }
    CKeptFleet kept(*fleet, settings);
    kept.List(devices);
    Clock::time_point now = Clock::now();
    Clock::time_point nextEmit = now + settings.watchInterval;
    for (;;) {
        kept.StartWaiting(now);
        const std::vector<std::size_t> news = fleet->Wait(nextEmit);
        if (stop.Wait(0)) {
            return;
        }
        now = Clock::now();
        kept.TakeNews(news, now);
        if (change != nullptr && change->reload.Wait(0)) {
            (void)change->reload.Reset();
            const std::vector<DeviceAddress> listed = change->relist();
            if (listed.empty() || listed.size() > AtOnce(settings)) {
                return;
            }
            kept.List(listed);
            continue;
        }
        if (now >= nextEmit) {
            sink(kept.Records(now));
            nextEmit = NextEmit(nextEmit, now, settings);
        }
    }
}

// More devices than may be read at once: each in turn gets a probe for one reading, then gives its
// place to the next. A device is pending until its first reading and keeps its last record between
// turns; none is read more often than once an interval, nor asked over NTP more often than its floor.
void WatchFleetInTurns(const std::vector<DeviceAddress>& devices, const FleetSettings& settings,
                       const CSignal& stop, const FleetChange* change, const RecordSink& sink) {
    const std::unique_ptr<CFleetLoop> fleet =
        CFleetLoop::Create(settings, stop, change ? &change->reload : nullptr);
    if (!fleet) {
        WatchWithoutLoop(devices, settings, stop, sink);
        return;
    }
    struct Turn {
        std::size_t index;
        Clock::time_point notBefore;
    };
    std::vector<DeviceRecord> records(devices.size());
    std::deque<Turn> waiting;
    Clock::time_point now = Clock::now();
    for (std::size_t index = 0; index < devices.size(); ++index) {
        records[index].address = devices[index].text;
        records[index].failure = "pending";
        records[index].failureKind = FailureKind::Pending;
        waiting.push_back({index, now});
    }
    std::vector<std::unique_ptr<CDeviceProbe>> probes(devices.size());
    std::vector<CNtpHistory> histories(devices.size());
    std::vector<Clock::time_point> startedAt(devices.size());
    std::size_t active = 0;
    Clock::time_point nextEmit = now + settings.watchInterval;
    // With more devices than places, some device always waits while a place is free.
    for (;;) {
        for (; active < AtOnce(settings) && waiting.front().notBefore <= now && fleet->HasRoomForADevice();
             ++active) {
            const std::size_t index = waiting.front().index;
            waiting.pop_front();
            probes[index] = MakeProbe(*fleet, index, devices[index], settings, histories[index]);
            probes[index]->Start(now);
            startedAt[index] = now;
        }
        const Clock::time_point nextTurn =
            active < AtOnce(settings) ? waiting.front().notBefore : Clock::time_point::max();
        const std::vector<std::size_t> news = fleet->Wait(std::min(nextEmit, nextTurn));
        if (stop.Wait(0)) {
            return;
        }
        if (change != nullptr && change->reload.Wait(0)) {
            // Each device holds its connection for one reading only: the new list starts over.
            (void)change->reload.Reset();
            (void)change->relist();
            return;
        }
        now = Clock::now();
        for (const std::size_t index : CollectFinished(news, probes, now, records, histories)) {
            waiting.push_back({index, startedAt[index] + settings.watchInterval});
            --active;
        }
        if (now >= nextEmit) {
            sink(records);
            nextEmit = NextEmit(nextEmit, now, settings);
        }
    }
}

} // namespace

bool ReadFleetOnce(const std::vector<DeviceAddress>& devices, const FleetSettings& settings,
                   const CSignal& stop, const RecordSink& sink) {
    const std::unique_ptr<CFleetLoop> fleet = CFleetLoop::Create(settings, stop, nullptr);
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
    if (devices.size() <= AtOnce(settings)) {
        KeepFleetConnected(devices, settings, stop, nullptr, sink);
    } else {
        WatchFleetInTurns(devices, settings, stop, nullptr, sink);
    }
}

void WatchChangingFleet(const std::vector<DeviceAddress>& devices, const FleetSettings& settings,
                        const CSignal& stop, CSignal& reload, const DeviceListSource& relist,
                        const RecordSink& sink) {
    const FleetChange change{reload, relist};
    if (devices.size() <= AtOnce(settings)) {
        KeepFleetConnected(devices, settings, stop, &change, sink);
    } else {
        WatchFleetInTurns(devices, settings, stop, &change, sink);
    }
}
