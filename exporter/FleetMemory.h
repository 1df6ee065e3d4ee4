#pragma once

#include "health/DeviceRecord.h"
#include "health/Health.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// What /metrics tells of the listed devices: each one's last record that tells of the device, so that a
// failure of this PC (no descriptor, no thread) never hides a device or shows it down, and a device not
// read yet has no series at all rather than a false "down"; with the time of its last complete reading,
// and a reading whose successor is overdue on the fleet's schedule shown as not up (problem code
// "stale"), so that a hung device never looks fresh. Pure: the caller gives the time.
class CFleetMemory {
public:
    explicit CFleetMemory(const HealthLimits& limits);

    // Takes a listed device's latest record, whose next reading is due by dueUnixSeconds. Returns
    // "ADDRESS: reason" when it failed for a reason of this PC, for the log.
    std::optional<std::string> Take(const DeviceRecord& record, double dueUnixSeconds);
    // Whether record would change what the page says of a listed device in kind: its first reading that
    // tells of it, or up where it was down or back.
    bool ChangesKind(const DeviceRecord& record) const;
    // The devices listed (by address text), in their order; forgets every other one.
    void Keep(const std::vector<std::string>& listed);
    // The devices' series at nowUnixSeconds, and vantrex_last_reading_timestamp_seconds.
    std::string Page(double nowUnixSeconds) const;

private:
    struct Kept {
        // The last that told of the device; shared with the copies the page is made from.
        std::shared_ptr<const DeviceRecord> record;
        std::optional<double> readAt; // this PC's clock at its last complete reading, Unix seconds
        std::optional<double> dueAt;  // when the next reading is due to have ended, Unix seconds
    };

    const HealthLimits m_limits;
    std::vector<std::string> m_order;
    std::unordered_map<std::string, Kept> m_kept;
};
