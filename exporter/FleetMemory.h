#pragma once

#include "health/DeviceRecord.h"
#include "health/Health.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// What /metrics tells of the listed devices: each one's last record that tells of the device, so that a
// failure of this PC (no descriptor, no thread) or a reading not made yet never hides a device or shows
// it down; with the time of its last complete reading, and a reading too old for its interval shown as
// not up (problem code "stale"), so that a hung device never looks fresh. Pure: the caller gives the time.
class CFleetMemory {
public:
    // staleAfter: how old a complete reading may be and still count (two intervals and the time-out).
    CFleetMemory(const HealthLimits& limits, std::chrono::milliseconds staleAfter);

    // Takes the fleet's latest records, in the fleet's order. Returns those that failed for a reason of
    // this PC, as "ADDRESS: reason", for the log.
    std::vector<std::string> Take(const std::vector<DeviceRecord>& records);
    // Forgets every device not listed (by address text).
    void Keep(const std::unordered_set<std::string>& listed);
    // The devices' series at nowUnixSeconds, and vantrex_last_reading_timestamp_seconds.
    std::string Page(double nowUnixSeconds) const;

private:
    struct Kept {
        std::optional<DeviceRecord> record; // the last that told of the device
        std::optional<double> readAt;       // this PC's clock at its last complete reading, Unix seconds
    };

    const HealthLimits m_limits;
    const double m_staleAfterSeconds;
    std::vector<std::string> m_order;
    std::unordered_map<std::string, Kept> m_kept;
};
