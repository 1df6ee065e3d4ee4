#pragma once

#include "discover/SearchRange.h"
#include "fleet/FleetRun.h"
#include "health/Health.h"
#include "report/ParsedCommandLine.h"
#include "report/ReportWriter.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Everything the command line asks for.
struct StatusOptions {
    std::vector<DeviceAddress> devices;
    std::optional<SearchRange> discover; // a network to search for devices instead of reading any
    OutputFormat format = OutputFormat::Lines;
    std::string prometheusPath; // empty: no textfile
    HealthLimits limits;
    FleetSettings fleet;
    // Whether --parallel was given; without it, as many devices are read at once as the descriptors allow,
    // up to the most --parallel takes.
    bool parallelGiven = false;
    // 0 to 3: from 1 the plugin output gives each device's whole reading, at 3 the dialogue with each
    // device goes to stderr.
    int verbosity = 0;

    ReportSettings Report() const { return {format, prometheusPath, limits, verbosity}; }
};

// The parse's outcome: options to run with, or a text to print and the exit status to end with
// (--help and --version: 0 on stdout; bad input: 3 on stderr, or with --nagios as the plugin's status
// line on stdout, which is all a monitoring host reads).
using ParsedOptions = ParsedCommandLine<StatusOptions>;

// Looks a host name up: its IPv4 address (host byte order), or nothing with the reason.
using HostResolver =
    std::function<std::optional<std::uint32_t>(const std::string& name, std::string& reason)>;

// The command line; resolve looks up the names -H gives (the runtime's ResolveIpv4 in the program).
ParsedOptions ParseStatusOptions(int argc, const char* const* argv, const HostResolver& resolve);
