// vantrex-exporter: the health of VANTREX time servers for Prometheus, as a service.
#include "ExporterOptions.h"
#include "FleetWatch.h"
#include "HttpService.h"

#include "runtime/DescriptorLimit.h"
#include "runtime/EventLoop.h"
#include "runtime/Networking.h"
#include "runtime/ReloadRequest.h"
#include "runtime/TerminationRequest.h"
#include "status/DescriptorBudget.h"

#include <algorithm>
#include <cstdio>
#include <thread>

namespace {

// At most this share of the descriptors goes to client connections; the devices need the rest.
constexpr std::uint64_t kConnectionShare = 4;
// A probe in flight runs on a loop of its own: the loop, its NTP socket and the sockets of both links.
constexpr std::size_t kDescriptorsPerProbe = 4;

// Client connections, kept fleet devices and probes within the limit of open descriptors: connections
// first (a scrape must always find a place), then the probes, then the devices the rest allows.
void FitDescriptorLimit(ExporterOptions& options, std::optional<std::uint64_t> limit) {
    if (!limit) {
        return;
    }
    options.maxConnections = std::min<std::size_t>(
        options.maxConnections,
        static_cast<std::size_t>(std::max<std::uint64_t>(*limit / kConnectionShare, 16)));
    const std::uint64_t taken = options.maxConnections + options.maxProbes * kDescriptorsPerProbe;
    const std::uint64_t left = *limit > taken ? *limit - taken : 0;
    options.fleet.parallel = DevicesWithinDescriptorLimit(options.fleet.parallel, left);
    options.fleet.sockets = SocketsWithinDescriptorLimit(left);
}

} // namespace

int main(int argc, char** argv) {
    CSignal stop;
    CSignal reload;
    const bool prepared = StartNetworking() && SetOnTerminationRequest(stop) && SetOnReloadRequest(reload);
    ParsedExporterOptions parsed = ParseExporterOptions(argc, argv);
    if (!parsed.options) {
        std::fputs(parsed.message.c_str(), parsed.messageToStdout ? stdout : stderr);
        return parsed.exitStatus;
    }
    if (!prepared) {
        std::fputs("vantrex-exporter: cannot prepare the network layer and its signals\n", stderr);
        return 1;
    }
    ExporterOptions& options = *parsed.options;
    FitDescriptorLimit(options, RaiseDescriptorLimit());
    const HealthLimits limits;
    CFleetWatch fleet(options, limits);
    CHttpService service(options, limits, fleet, stop);
    if (const std::optional<std::string> failure = service.Listen()) {
        std::fprintf(stderr, "vantrex-exporter: cannot listen on %s:%d: %s\n", options.listenAddress.c_str(),
                     options.listenPort, failure->c_str());
        return 1;
    }
    std::fprintf(stderr, "vantrex-exporter: listening on %s:%d\n", options.listenAddress.c_str(),
                 options.listenPort);
    std::thread server([&service] { service.Serve(); });
    std::thread watch([&fleet, &stop, &reload] {
        if (const std::unique_ptr<CEventLoop> loop = CEventLoop::Create()) {
            fleet.Run(*loop, stop, reload);
        }
    });
    (void)stop.Wait(kInfinite);
    service.Stop();
    (void)reload.Set();
    server.join();
    watch.join();
    return 0;
}
