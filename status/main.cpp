// vantrex-status: the health of VANTREX time servers from the command line, for one device or a fleet.
#include "DiscoveryRun.h"
#include "StatusOptions.h"

#include "fleet/DescriptorBudget.h"
#include "fleet/FleetRun.h"
#include "report/NagiosOutput.h"
#include "report/ReportWriter.h"
#include "runtime/DebugOutput.h"
#include "runtime/DescriptorLimit.h"
#include "runtime/HostName.h"
#include "runtime/Networking.h"
#include "runtime/TerminationRequest.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

// The fleet settings with no more devices read at once, and no more sockets held, than the open-descriptor
// limit allows, so that no device is reported for this PC's lack of descriptors; a --parallel lowered, or
// a fleet read in turns, is said on stderr.
FleetSettings WithinDescriptorLimit(const StatusOptions& options) {
    FleetSettings fleet = options.fleet;
    const std::optional<std::uint64_t> limit = RaiseDescriptorLimit();
    fleet.parallel = DevicesWithinDescriptorLimit(options.fleet.parallel, limit);
    fleet.sockets = SocketsWithinDescriptorLimit(limit);
    if (fleet.parallel < std::min(options.fleet.parallel, options.devices.size())) {
        const std::string asked =
            options.parallelGiven ? ", not " + std::to_string(options.fleet.parallel) : std::string();
        std::fprintf(stderr,
                     "vantrex-status: the limit of %llu open files allows %zu devices at once%s; the others "
                     "are read in turns\n",
                     static_cast<unsigned long long>(*limit), fleet.parallel, asked.c_str());
    }
    return fleet;
}

} // namespace

int main(int argc, char** argv) {
    CSignal stop;
    // Before anything is printed: this also makes a closed output pipe an error to report, not a
    // signal that ends the program in silence.
    const bool prepared = StartNetworking() && SetOnTerminationRequest(stop);
    const ParsedOptions parsed = ParseStatusOptions(argc, argv, &ResolveIpv4);
    if (!parsed.options) {
        std::string reason;
        if (!WriteOutput(parsed.messageToStdout ? stdout : stderr, parsed.message, reason)) {
            std::fprintf(stderr, "vantrex-status: cannot write the output: %s\n", reason.c_str());
            return kUnknownExitStatus;
        }
        return parsed.exitStatus;
    }
    const StatusOptions& options = *parsed.options;
    if (!prepared) {
        constexpr const char* kUnprepared = "cannot prepare the network layer";
        if (options.format == OutputFormat::Nagios) {
            std::fputs(FormatNagiosFailure(kUnprepared).c_str(), stdout);
        } else {
            std::fprintf(stderr, "vantrex-status: %s\n", kUnprepared);
        }
        return kUnknownExitStatus;
    }
    if (options.verbosity >= 3) {
        EnableDebugOutput();
    }
    if (options.discover) {
        return RunDiscovery(*options.discover, options.format, stop, stdout);
    }
    CReportWriter writer(options.Report(), stdout);
    const RecordSink sink = [&writer, &stop](const std::vector<DeviceRecord>& records) {
        if (!writer.Write(records)) {
            // Nobody reads any more: a watch has nothing left to report to.
            (void)stop.Set();
        }
    };
    const FleetSettings fleet = WithinDescriptorLimit(options);
    if (fleet.watchInterval.count() > 0) {
        WatchFleet(options.devices, fleet, stop, sink);
    } else {
        // Devices an interruption left unread are UNKNOWN in the writer's status already, as in its text;
        // an interruption after the last device was read changes nothing.
        (void)ReadFleetOnce(options.devices, fleet, stop, sink);
    }
    return static_cast<int>(writer.ExitSeverity());
}
