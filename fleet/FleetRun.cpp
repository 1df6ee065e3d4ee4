// A single run and a watch of a fleet, each on a loop of its own thread that holds every link, timer and
// NTP check of the fleet.
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

// Each device's latest reading, in the listed order; until its first, blank with its address.
class CLatestRecords : public IFleetListener {
public:
    CLatestRecords(const std::vector<DeviceAddress>& devices, const DeviceRecord& blank)
        : m_records(devices.size(), blank), m_read(devices.size(), false) {
        for (std::size_t index = 0; index < devices.size(); ++index) {
            m_records[index].address = devices[index].text;
            m_indices.emplace(devices[index].text, index);
        }
    }

    void OnReading(const FleetReading& reading) override {
        const std::size_t index = m_indices.at(reading.record.address);
        m_records[index] = reading.record;
        // A device read again (a quick failure, tried again) is not another device read.
        if (!m_read[index]) {
            m_read[index] = true;
            ++m_devicesRead;
        }
    }
    void OnPlan(const FleetPlan&) override {}
    const std::vector<DeviceRecord>& Records() const { return m_records; }
    // Whether every device has had a reading since the start.
    bool AllRead() const { return m_devicesRead == m_records.size(); }

private:
    std::vector<DeviceRecord> m_records;
    std::vector<bool> m_read;
    std::unordered_map<std::string, std::size_t> m_indices;
    std::size_t m_devicesRead = 0;
};

DeviceRecord Blank(const char* failure, FailureKind kind, bool interrupted) {
    DeviceRecord record;
    record.failure = failure;
    record.failureKind = kind;
    record.interrupted = interrupted;
    return record;
}

// A loop that wakes when stop is set; none when this PC gives none (no descriptor left for it).
std::unique_ptr<CEventLoop> LoopWatching(const CSignal& stop) {
    std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
    // Its handler need do nothing: a set signal ends the wait, and the caller reads it.
    if (!loop || !loop->WatchSignal(stop, [](unsigned) {})) {
        return nullptr;
    }
    return loop;
}

// Runs loop's handlers until until; a wait this PC could not make would fail again at once, so stop alone
// is waited for then.
void WaitOnce(CEventLoop& loop, const CSignal& stop, Clock::time_point until) {
    if (loop.Wait(WaitLimit(until)) < 0) {
        (void)stop.Wait(until == Clock::time_point::max()
                            ? kFailedWaitPauseMs
                            : std::min(MillisecondsUntil(until), kFailedWaitPauseMs));
    }
}

} // namespace

bool ReadFleetOnce(const std::vector<DeviceAddress>& devices, const FleetSettings& settings,
                   const CSignal& stop, const RecordSink& sink) {
    const std::unique_ptr<CEventLoop> loop = LoopWatching(stop);
    if (!loop) {
        sink(RecordsWithoutLoop(devices, settings));
        return !stop.Wait(0);
    }
    FleetSettings once = settings;
    once.watchInterval = std::chrono::milliseconds(0);
    CLatestRecords latest(devices, Blank("interrupted", FailureKind::Device, true));
    {
        CFleet fleet(*loop, once, latest);
        fleet.List(devices);
        const Clock::time_point end =
            settings.deadline.count() > 0 ? Clock::now() + settings.deadline : Clock::time_point::max();
        while (!latest.AllRead() && !stop.Wait(0)) {
            if (Clock::now() >= end) {
                fleet.EndAtDeadline(end);
                break;
            }
            WaitOnce(*loop, stop, end);
        }
    }
    sink(latest.Records());
    return !stop.Wait(0) || latest.AllRead();
}

void WatchFleet(const std::vector<DeviceAddress>& devices, const FleetSettings& settings, const CSignal& stop,
                const RecordSink& sink) {
    const std::unique_ptr<CEventLoop> loop = LoopWatching(stop);
    if (!loop) {
        WatchWithoutLoop(devices, settings, stop, sink);
        return;
    }
    CLatestRecords latest(devices, Blank("pending", FailureKind::Pending, false));
    CFleet fleet(*loop, settings, latest);
    fleet.List(devices);
    // The first report comes once every device has had its first reading, or after one interval when
    // some have not; the others follow every interval from it.
    Clock::time_point nextEmit = Clock::now() + settings.watchInterval;
    bool reported = false;
    while (!stop.Wait(0)) {
        WaitOnce(*loop, stop, nextEmit);
        const Clock::time_point now = Clock::now();
        const bool firstReadingsIn = !reported && latest.AllRead();
        if ((now >= nextEmit || firstReadingsIn) && !stop.Wait(0)) {
            sink(latest.Records());
            nextEmit = firstReadingsIn ? now + settings.watchInterval : NextEmit(nextEmit, now, settings);
            reported = true;
        }
    }
}
