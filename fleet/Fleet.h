#pragma once

#include "DeviceList.h"
#include "DeviceProbe.h"
#include "LinkHint.h"

#include "fleet/SocketBudget.h"

#include "health/DeviceRecord.h"
#include "ntpquery/NtpExchange.h"
#include "ntpquery/NtpHistoryStore.h"
#include "runtime/EventLoop.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

// How devices are read: probed how, how many at once, within how many sockets, and how often.
struct FleetSettings {
    ProbeSettings probe;
    std::size_t parallel = 64;
    // The sockets the devices' links may hold at once, within the descriptors this process may open.
    std::size_t sockets = CSocketBudget::kUnbounded;
    std::chrono::milliseconds watchInterval{0}; // 0: read once and end
    std::chrono::milliseconds deadline{0};      // for a whole single run; 0: none
    // A device started closer to the deadline than this is not read rather than timed out.
    std::chrono::milliseconds shortestReading = kShortestReadingLimit;
    // The devices' NTP checks across single runs that read them again and again, so that none is asked
    // more often than its floor; null: each run asks each device once.
    CNtpHistoryStore* ntpHistories = nullptr;
};

// How a fleet is read: devices kept connected while every listed one has a place, else on a rolling
// schedule in which each device holds a place for one reading and gives it to the next.
struct FleetPlan {
    std::size_t listed = 0;
    std::size_t atOnce = 0; // places: devices read at once
    bool keptConnected = false;
};

// A reading as the fleet hands it on: what it found, and when the next reading of the device is due to
// have ended on the fleet's schedule, past which the device is overdue.
struct FleetReading {
    const DeviceRecord& record;
    std::chrono::steady_clock::time_point nextDue;
};

// Told of the fleet's readings the moment they end, on the loop's thread. Display-free and knowing no
// thread: a consumer on another thread hands them over itself.
class IFleetListener {
public:
    virtual ~IFleetListener() = default;
    // A device's reading ended (complete or failed), or a kept device's state at its interval.
    virtual void OnReading(const FleetReading& reading) = 0;
    // The plan at the first list, and again whenever a new list changes it.
    virtual void OnPlan(const FleetPlan& plan) = 0;
    // A device's reading started (its probe connects); a window shows it being read.
    virtual void OnReadingStarted(const DeviceAddress& /*device*/) {}
};

// A long-lived fleet on a loop the program owns: devices are listed, added and removed at any time, and
// each is read on a schedule of its own, once every settings.watchInterval at most (0: each once); a
// device kept connected is polled and reported every interval, and a lost one is reconnected after a
// growing delay. The NTP checks go to and come from settings.ntpHistories when there is one.
// Everything runs on the loop's thread, in its handlers, but for List, which may call OnPlan.
class CFleet {
public:
    using Clock = std::chrono::steady_clock;

    // loop and listener outlive the fleet.
    CFleet(CEventLoop& loop, const FleetSettings& settings, IFleetListener& listener);
    ~CFleet();
    CFleet(const CFleet&) = delete;
    CFleet& operator=(const CFleet&) = delete;

    // Reads devices from now on: those listed before keep their readings in progress and their
    // schedules, added ones are read as soon as a place is free, in the listed order, dropped ones end.
    void List(const std::vector<DeviceAddress>& devices);
    // The deadline of a single run came at end: every reading not ended yet ends timed out when it had
    // the time a healthy device needs (settings.shortestReading), else not read, as do those never
    // started; each is handed to the listener.
    void EndAtDeadline(Clock::time_point end);
    const FleetPlan& Plan() const { return m_plan; }

private:
    struct Device {
        DeviceAddress address;
        std::unique_ptr<CDeviceProbe> probe; // while it holds a place
        CNtpHistory ntpHistory;              // between probes
        LinkHint linkHint;                   // what its races so far taught, for the next one
        Clock::time_point startedAt;
        std::optional<Clock::time_point> startAt; // waiting for a place from then on
        std::uint64_t waitTurn = 0;               // among those waiting from the same time
        bool published = false;                   // since its probe last started
        LoopTimerId reportTimer = 0;              // a kept device's next report
        std::optional<std::int64_t> lastAnswer;   // the device clock of its last report
        Clock::time_point nextDue;
    };

    Device* Find(std::uint32_t address);
    // Called by a probe that wants a look: the look comes in a handler of the fleet's own.
    void NewsOf(std::uint32_t address);
    void Look();
    void TakeNews(Device& device, Clock::time_point now);
    void Release(Device& device, Clock::time_point now);
    void StartWaiting(Clock::time_point now);
    void Wait(Device& device, Clock::time_point at);
    void Unwait(Device& device);
    void Report(Device& device, Clock::time_point now);
    void ArmReport(Device& device, Clock::time_point at);
    void ArmWake(Clock::time_point at);
    void Publish(Device& device, const DeviceRecord& record, Clock::time_point nextDue);
    Clock::time_point RollingDue(const Device& device, Clock::time_point now) const;
    void CountFinished(Clock::time_point now);

    CEventLoop& m_loop;
    const FleetSettings m_settings;
    IFleetListener& m_listener;
    CSocketBudget m_sockets;
    std::unique_ptr<CNtpExchange> m_ntp; // over the loop, under the probes
    std::unordered_map<std::uint32_t, std::unique_ptr<Device>> m_devices;
    using WaitKey = std::tuple<Clock::time_point, std::uint64_t, std::uint32_t>; // from when, turn, address
    std::set<WaitKey> m_waiting;
    std::uint64_t m_waitTurns = 0;
    std::size_t m_holding = 0; // devices with a probe
    std::vector<std::uint32_t> m_news;
    LoopTimerId m_lookTimer = 0;
    LoopTimerId m_wakeTimer = 0;
    Clock::time_point m_wakeAt = Clock::time_point::max();
    std::deque<Clock::time_point> m_finished; // rolling readings ended within the last window
    FleetPlan m_plan;
    bool m_listed = false;
};
