// vantrex-status: the health of VANTREX time servers from the command line, for one device or a fleet.
#include "FleetRun.h"
#include "ReportWriter.h"
#include "StatusOptions.h"

#include "runtime/Networking.h"
#include "runtime/TerminationRequest.h"

#include <cstdio>

int main(int argc, char** argv) {
    const ParsedOptions parsed = ParseStatusOptions(argc, argv);
    if (!parsed.options) {
        std::fputs(parsed.message.c_str(), parsed.exitStatus == 0 ? stdout : stderr);
        return parsed.exitStatus;
    }
    const StatusOptions& options = *parsed.options;
    CSignal stop;
    if (!StartNetworking() || !SetOnTerminationRequest(stop)) {
        std::fputs("vantrex-status: cannot prepare the network layer\n", stderr);
        return static_cast<int>(Severity::Unknown);
    }
    CReportWriter writer(options, stdout);
    const RecordSink sink = [&writer](const std::vector<DeviceRecord>& records) { writer.Write(records); };
    if (options.fleet.watchInterval.count() > 0) {
        WatchFleet(options.devices, options.fleet, stop, sink);
    } else if (!ReadFleetOnce(options.devices, options.fleet, stop, sink)) {
        return static_cast<int>(Severity::Unknown);
    }
    return static_cast<int>(writer.ExitSeverity());
}
