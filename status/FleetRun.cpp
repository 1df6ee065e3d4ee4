// The one thread that drives every device probe: a single wait on all their signals, with the next
// deadline (or a short poll while a reading is still incomplete, since a link announces no new data).
#include "FleetRun.h"

#include "runtime/WaitSet.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

// While a device is connected without a complete reading, its link is looked at this often.
constexpr auto kReadingPoll = std::chrono::milliseconds(100);

std::unique_ptr<CDeviceProbe> MakeProbe(const DeviceAddress& device, const FleetSettings& settings) {
    return std::make_unique<CDeviceProbe>(device.text, device.value, settings.probe);
}

// Waits for stop, any probe's signal, or until wake; true when stop is set.
bool WaitForNews(const CSignal& stop, const std::vector<CDeviceProbe*>& probes, Clock::time_point wake) {
    CWaitSet set;
    set.Add(stop);
    for (CDeviceProbe* probe : probes) {
        probe->AddSignals(set);
    }
    const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(wake - Clock::now()).count();
    const auto ms = static_cast<std::uint32_t>(std::max<long long>(remaining, 0));
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

// Every device not finished yet is reported as timed out, including those never started.
void ExpireAtDeadline(const std::vector<DeviceAddress>& devices, const FleetSettings& settings,
                      std::vector<std::unique_ptr<CDeviceProbe>>& probes,
                      std::vector<DeviceRecord>& records) {
    const std::string limit = DeadlineText(settings.deadline);
    for (std::size_t index = 0; index < devices.size(); ++index) {
        if (probes[index]) {
            probes[index]->Expire(limit);
            records[index] = probes[index]->Record();
        } else if (records[index].address.empty()) {
            records[index].address = devices[index].text;
            records[index].failure = "not read within " + limit;
            if (settings.probe.ntp) {
                records[index].ntp = UnansweredNtp("not asked within " + limit);
            }
        }
    }
}

} // namespace

bool ReadFleetOnce(const std::vector<DeviceAddress>& devices, const FleetSettings& settings,
                   const CSignal& stop, const RecordSink& sink) {
    std::vector<DeviceRecord> records(devices.size());
    std::vector<std::unique_ptr<CDeviceProbe>> probes(devices.size());
    std::size_t nextToStart = 0;
    std::size_t active = 0;
    bool stopped = false;
    const Clock::time_point start = Clock::now();
    const Clock::time_point end =
        settings.deadline.count() > 0 ? start + settings.deadline : Clock::time_point::max();
    while (!stopped && (nextToStart < devices.size() || active > 0)) {
        const Clock::time_point now = Clock::now();
        if (now >= end) {
            ExpireAtDeadline(devices, settings, probes, records);
            break;
        }
        for (; nextToStart < devices.size() && active < std::max<std::size_t>(settings.parallel, 1);
             ++nextToStart) {
            probes[nextToStart] = MakeProbe(devices[nextToStart], settings);
            probes[nextToStart]->Start(now);
            ++active;
        }
        std::vector<CDeviceProbe*> running;
        for (const auto& probe : probes) {
            if (probe) {
                running.push_back(probe.get());
            }
        }
        stopped =
            WaitForNews(stop, running, NextWake(running, now, std::min(now + settings.probe.timeout, end)));
        const Clock::time_point after = Clock::now();
        for (std::size_t index = 0; index < probes.size(); ++index) {
            if (probes[index] && (probes[index]->Update(after), IsFinished(*probes[index]))) {
                records[index] = probes[index]->Record();
                probes[index].reset(); // stops its links and frees its threads for the next device
                --active;
            }
        }
    }
    for (std::size_t index = 0; index < devices.size(); ++index) {
        if (records[index].address.empty()) {
            records[index].address = devices[index].text;
            records[index].failure = "interrupted";
            records[index].interrupted = true;
        }
    }
    probes.clear();
    sink(records);
    return !stopped;
}

void WatchFleet(const std::vector<DeviceAddress>& devices, const FleetSettings& settings, const CSignal& stop,
                const RecordSink& sink) {
    std::vector<std::unique_ptr<CDeviceProbe>> probes;
    std::vector<CDeviceProbe*> running;
    std::vector<std::optional<Clock::time_point>> reconnectAt(devices.size());
    Clock::time_point now = Clock::now();
    for (const DeviceAddress& device : devices) {
        probes.push_back(MakeProbe(device, settings));
        probes.back()->Start(now);
        running.push_back(probes.back().get());
    }
    Clock::time_point nextEmit = now + settings.watchInterval;
    for (;;) {
        Clock::time_point wake = NextWake(running, now, nextEmit);
        for (const auto& at : reconnectAt) {
            wake = at ? std::min(wake, *at) : wake;
        }
        if (WaitForNews(stop, running, wake)) {
            return;
        }
        now = Clock::now();
        for (std::size_t index = 0; index < probes.size(); ++index) {
            CDeviceProbe& probe = *probes[index];
            if (probe.Update(now) != ProbePhase::Down) {
                continue;
            }
            if (!reconnectAt[index]) {
                reconnectAt[index] = now + probe.ReconnectDelay().Next();
            } else if (now >= *reconnectAt[index]) {
                reconnectAt[index].reset();
                probe.Start(now);
            }
        }
        if (now >= nextEmit) {
            std::vector<DeviceRecord> records;
            for (const auto& probe : probes) {
                records.push_back(probe->Record());
                if (!probe->IsNtpRunning()) {
                    probe->StartNtpCheck(now);
                }
            }
            sink(records);
            // Intervals are kept on the grid of the start, however long the sink took.
            while (nextEmit <= now) {
                nextEmit += settings.watchInterval;
            }
        }
    }
}
