#pragma once

#include "fleet/FleetRun.h"

#include <map>
#include <optional>
#include <string>

// What a probe may take: no healthy device is read whole in less (it takes one command a second: 3.1 s
// measured on loopback), and one that may take longer holds its place as long, for a scraper whose own
// limit is shorter anyway.
inline constexpr double kShortestProbeSeconds = 3.5;
inline constexpr double kLongestProbeSeconds = 60;
// What a device's address must be, for the refusal of one that is not.
inline constexpr const char* kDeviceAddressExpected =
    "a device's dotted IPv4 address (not 0.0.0.0 nor 255.255.255.255)";

// One /probe request as asked: the device and how it is read, within what limit.
struct ProbeQuery {
    DeviceAddress target;
    FleetSettings settings; // the probe's settings, its deadline the whole limit
};

// A query that cannot be probed: the reason, for a 400 answer.
struct ProbeQueryResult {
    std::optional<ProbeQuery> query;
    std::string refusal;
};

// The query's parameters (target, ntp_port, no_ntp; others are left to the scraper's own use), with
// the scraper's time limit (X-Prometheus-Scrape-Timeout-Seconds, if it sent one) less a half second
// for the answer's way back, at most kLongestProbeSeconds, else the default timeout. A limit too short
// for a reading is refused, so that the scraper reports its own setting rather than a device down.
// Each parameter at most once; the target a dotted IPv4 address, never a name.
ProbeQueryResult ParseProbeQuery(const std::multimap<std::string, std::string>& parameters,
                                 const std::optional<std::string>& scrapeTimeout,
                                 const ProbeSettings& defaults);
