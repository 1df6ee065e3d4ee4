// The one thread that drives every device probe: a single wait on all their signals, with the next
// deadline (or a short poll while a reading is still incomplete, since a link announces no new data).
#include "FleetRun.h"

#include "runtime/WaitSet.h"
#include "runtime/WaitTime.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>
#include <unordered_map>

namespace {

using Clock = std::chrono::steady_clock;

// While a device is connected without a complete reading, its link is looked at this often.
constexpr auto kReadingPoll = std::chrono::milliseconds(100);
// A kept connection is polled twice an interval (the date and the peer table alternate), but at least
// this often, so that neither the device nor a network device between finds it idle.
constexpr std::chrono::milliseconds kLongestPollPacing = std::chrono::seconds(5);
// A kept fleet's news (an answer, an NTP reply) comes hundreds of times a second from a thousand devices,
// and none of it is urgent: taken in batches, the look at every probe that each wake costs stays small.
constexpr std::uint32_t kNewsBatchMs = 100;

std::unique_ptr<CDeviceProbe> MakeProbe(const DeviceAddress& device, const FleetSettings& settings,
                                        CNtpHistory history = {}) {
    return std::make_unique<CDeviceProbe>(device.text, device.value, settings.probe, std::move(history));
}

// Waits for stop, any probe's signal, reload if given, or until wake; true when stop is set.
bool WaitForNews(const CSignal& stop, const std::vector<CDeviceProbe*>& probes, Clock::time_point wake,
                 const CSignal* reload = nullptr) {
    CWaitSet set;
    set.Add(stop);
    if (reload != nullptr) {
        set.Add(*reload);
    }
    for (CDeviceProbe* probe : probes) {
        probe->AddSignals(set);
    }
    const std::uint32_t ms = MillisecondsUntil(wake);
    if (WaitForAny(set, ms) == kWaitFailed) {
        // A signal that could not be created (descriptors exhausted) fails every wait at once; waiting
        // on stop alone keeps the loop from spinning until the probes' own deadlines end them.
        (void)stop.Wait(ms);
    }
    return stop.Wait(0);
}

// The next time a probe needs a look: its deadline, or the reading poll while it is reading.
Clock::time_point NextWake(const std::vector<CDeviceProbe*>& probes, Clock::time_point now,
                           Clock::time_point limit) {
    Clock::time_point wake = limit;
    for (const CDeviceProbe* probe : probes) {
        if (probe->Phase() == ProbePhase::Reading) {
            wake = std::min(wake, now + kReadingPoll);
        }
        if (const std::optional<Clock::time_point> deadline = probe->NextDeadline()) {
            wake = std::min(wake, *deadline);
        }
    }
    return wake;
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

std::vector<CDeviceProbe*> Running(const std::vector<std::unique_ptr<CDeviceProbe>>& probes) {
    std::vector<CDeviceProbe*> running;
    for (const auto& probe : probes) {
        if (probe) {
            running.push_back(probe.get());
        }
    }
    return running;
}

// Updates every probe; a finished one leaves its record and its NTP checks and frees its place (its
// links and threads stop). Returns the indices of those that finished.
std::vector<std::size_t> CollectFinished(std::vector<std::unique_ptr<CDeviceProbe>>& probes,
                                         Clock::time_point now, std::vector<DeviceRecord>& records,
                                         std::vector<CNtpHistory>& histories) {
    std::vector<std::size_t> finished;
    for (std::size_t index = 0; index < probes.size(); ++index) {
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

// One device kept connected: its probe, and when it is to be tried again after it was lost.
struct KeptProbe {
    DeviceAddress device;
    std::unique_ptr<CDeviceProbe> probe;
    std::optional<Clock::time_point> reconnectAt;
};

KeptProbe Connected(const DeviceAddress& device, const FleetSettings& settings, Clock::time_point now) {
    KeptProbe kept{device, MakeProbe(device, settings), std::nullopt};
    kept.probe->Start(now);
    return kept;
}

// The kept probes of the devices still listed, in the new order, and new ones for the devices added.
std::vector<KeptProbe> Regrouped(std::vector<KeptProbe> kept, const std::vector<DeviceAddress>& devices,
                                 const FleetSettings& settings, Clock::time_point now) {
    std::unordered_map<std::uint32_t, KeptProbe*> byAddress;
    for (KeptProbe& one : kept) {
        byAddress.emplace(one.device.value, &one);
    }
    std::vector<KeptProbe> regrouped;
    for (const DeviceAddress& device : devices) {
        const auto found = byAddress.find(device.value);
        regrouped.push_back(found != byAddress.end() ? std::move(*found->second)
                                                     : Connected(device, settings, now));
    }
    return regrouped; // the dropped ones' probes end with kept
}

// As many devices as may be read at once: each keeps its probe connected, and a lost one is
// reconnected after a growing delay. With a change, a new list that still fits is taken in place; one
// that does not ends the watch (the caller watches it another way).
void KeepFleetConnected(const std::vector<DeviceAddress>& devices, const FleetSettings& given,
                        const CSignal& stop, const FleetChange* change, const RecordSink& sink) {
    const FleetSettings settings = PacedForWatch(given);
    std::vector<KeptProbe> kept;
    Clock::time_point now = Clock::now();
    for (const DeviceAddress& device : devices) {
        kept.push_back(Connected(device, settings, now));
    }
    Clock::time_point nextEmit = now + settings.watchInterval;
    for (;;) {
        std::vector<CDeviceProbe*> running;
        Clock::time_point reconnect = Clock::time_point::max();
        for (const KeptProbe& one : kept) {
            running.push_back(one.probe.get());
            reconnect = one.reconnectAt ? std::min(reconnect, *one.reconnectAt) : reconnect;
        }
        const Clock::time_point wake = std::min(NextWake(running, now, nextEmit), reconnect);
        if (stop.Wait(kNewsBatchMs) || WaitForNews(stop, running, wake, change ? &change->reload : nullptr)) {
            return;
        }
        now = Clock::now();
        if (change != nullptr && change->reload.Wait(0)) {
            (void)change->reload.Reset();
            const std::vector<DeviceAddress> listed = change->relist();
            if (listed.empty() || listed.size() > AtOnce(settings)) {
                return;
            }
            kept = Regrouped(std::move(kept), listed, settings, now);
            continue;
        }
        for (KeptProbe& one : kept) {
            CDeviceProbe& probe = *one.probe;
            if (probe.Update(now) != ProbePhase::Down) {
                continue;
            }
            if (!one.reconnectAt) {
                one.reconnectAt = now + probe.ReconnectDelay().Next();
            } else if (now >= *one.reconnectAt) {
                one.reconnectAt.reset();
                probe.Start(now);
            }
        }
        if (now >= nextEmit) {
            std::vector<DeviceRecord> records;
            for (const KeptProbe& one : kept) {
                records.push_back(one.probe->Record(now));
                one.probe->StartNtpCheck(now);
            }
            sink(records);
            nextEmit = NextEmit(nextEmit, now, settings);
        }
    }
}

// More devices than may be read at once: each in turn gets a probe for one reading, then gives its
// place to the next. A device is pending until its first reading and keeps its last record between
// turns; none is read more often than once an interval, nor asked over NTP more often than its floor.
void WatchFleetInTurns(const std::vector<DeviceAddress>& devices, const FleetSettings& settings,
                       const CSignal& stop, const FleetChange* change, const RecordSink& sink) {
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
        for (; active < AtOnce(settings) && waiting.front().notBefore <= now; ++active) {
            const std::size_t index = waiting.front().index;
            waiting.pop_front();
            probes[index] = MakeProbe(devices[index], settings, histories[index]);
            probes[index]->Start(now);
            startedAt[index] = now;
        }
        const std::vector<CDeviceProbe*> running = Running(probes);
        const Clock::time_point nextTurn =
            active < AtOnce(settings) ? waiting.front().notBefore : Clock::time_point::max();
        if (WaitForNews(stop, running, NextWake(running, now, std::min(nextEmit, nextTurn)),
                        change ? &change->reload : nullptr)) {
            return;
        }
        if (change != nullptr && change->reload.Wait(0)) {
            // Each device holds its connection for one reading only: the new list starts over.
            (void)change->reload.Reset();
            (void)change->relist();
            return;
        }
        now = Clock::now();
        for (const std::size_t index : CollectFinished(probes, now, records, histories)) {
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
        for (; nextToStart < devices.size() && active < AtOnce(settings); ++nextToStart) {
            probes[nextToStart] = MakeProbe(devices[nextToStart], settings,
                                            settings.ntpHistories != nullptr
                                                ? settings.ntpHistories->Take(devices[nextToStart].value, now)
                                                : CNtpHistory{});
            probes[nextToStart]->Start(now);
            startedAt[nextToStart] = now;
            ++active;
        }
        const std::vector<CDeviceProbe*> running = Running(probes);
        stopped =
            WaitForNews(stop, running, NextWake(running, now, std::min(now + settings.probe.timeout, end)));
        active -= CollectFinished(probes, Clock::now(), records, histories).size();
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
