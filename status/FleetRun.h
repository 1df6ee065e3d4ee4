#pragma once

#include "DeviceProbe.h"

#include "fleet/SocketBudget.h"

#include "health/DeviceRecord.h"
#include "ntpquery/NtpHistoryStore.h"
#include "runtime/Signal.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// One device to read: its address as given and as a number (host byte order).
struct DeviceAddress {
    std::string text;
    std::uint32_t value = 0;
};

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
    // The program's loop, which the watch then shares with whatever else runs on it (its waits call their
    // handlers too); null: each run makes a loop of its own.
    CEventLoop* loop = nullptr;
};

// Receives every record in the order the devices were given; in watch mode once per interval, with
// round counting from 0.
using RecordSink = std::function<void(const std::vector<DeviceRecord>& records)>;

// Reads every device once, at most settings.parallel at a time, and hands all records to sink. Ends
// early, with the devices not read yet marked as interrupted, when stop is set. False when stopped.
// At settings.deadline every device not read yet is reported as timed out when it had the time a healthy
// device needs, and as not read (which says nothing of it) when it was started later or never.
bool ReadFleetOnce(const std::vector<DeviceAddress>& devices, const FleetSettings& settings,
                   const CSignal& stop, const RecordSink& sink);

// Keeps every device connected and hands their records to sink every watch interval until stop is
// set; a lost device is reported down and reconnected after a growing delay.
void WatchFleet(const std::vector<DeviceAddress>& devices, const FleetSettings& settings, const CSignal& stop,
                const RecordSink& sink);

// Asked for the devices to watch from now on.
using DeviceListSource = std::function<std::vector<DeviceAddress>()>;

// WatchFleet over a list that may change: when reload is set, it is reset and relist gives the new list.
// Devices kept connected that stay listed keep their connections and their records; added ones connect,
// dropped ones disconnect. Returns when stop is set, or when the new list no longer fits the way the
// devices were watched (every one kept connected, or read in turns): the caller then watches relist's
// last list.
void WatchChangingFleet(const std::vector<DeviceAddress>& devices, const FleetSettings& settings,
                        const CSignal& stop, CSignal& reload, const DeviceListSource& relist,
                        const RecordSink& sink);
