// vantrex-exporter: the health of VANTREX time servers for Prometheus, as a service.
#include "ExporterOptions.h"
#include "FleetWatch.h"
#include "HttpService.h"

#include "runtime/DescriptorLimit.h"
#include "runtime/Networking.h"
#include "runtime/ReloadRequest.h"
#include "runtime/TerminationRequest.h"
#include "status/DescriptorBudget.h"

#include <cstdio>
#include <thread>

int main(int argc, char** argv) {
    CSignal stop;
    CSignal reload;
    const bool prepared = StartNetworking() && SetOnTerminationRequest(stop) && SetOnReloadRequest(reload);
    ParsedExporterOptions parsed = ParseExporterOptions(argc, argv);
    if (!parsed.options) {
        std::fputs(parsed.message.c_str(), parsed.exitStatus == 0 ? stdout : stderr);
        return parsed.exitStatus;
    }
    if (!prepared) {
        std::fputs("vantrex-exporter: cannot prepare the network layer and its signals\n", stderr);
        return 1;
    }
    ExporterOptions& options = *parsed.options;
    options.fleet.parallel = DevicesWithinDescriptorLimit(options.fleet.parallel, RaiseDescriptorLimit());
    const HealthLimits limits;
    CFleetWatch fleet(options, limits);
    CHttpService service(options, limits, fleet, stop);
    if (!service.Bind()) {
        std::fprintf(stderr, "vantrex-exporter: cannot listen on %s:%d\n", options.listenAddress.c_str(),
                     options.listenPort);
        return 1;
    }
    std::fprintf(stderr, "vantrex-exporter: listening on %s:%d\n", options.listenAddress.c_str(),
                 options.listenPort);
    std::thread server([&service] { service.Serve(); });
    std::thread watch([&fleet, &stop, &reload] { fleet.Run(stop, reload); });
    (void)stop.Wait(kInfinite);
    service.Stop();
    (void)reload.Set();
    server.join();
    watch.join();
    return 0;
}
