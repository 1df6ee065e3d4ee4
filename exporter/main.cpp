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
#include <chrono>
#include <cstdio>

namespace {

// At most this share of the descriptors goes to client connections; the devices need the rest.
constexpr std::uint64_t kConnectionShare = 4;
// A probe in flight holds the sockets of both its links; the NTP socket the probes share is one of the
// descriptors left over.
constexpr std::size_t kDescriptorsPerProbe = 2;
// Once told to end, the answers under way get this long at most.
constexpr auto kLastAnswers = std::chrono::seconds(3);

// Runs the loop until every answer under way has ended, or kLastAnswers has passed.
void FinishAnswers(CEventLoop& loop, const CHttpService& service) {
    const auto end = CEventLoop::Clock::now() + kLastAnswers;
    while (!service.IsIdle() && CEventLoop::Clock::now() < end) {
        (void)loop.Wait(end);
    }
}

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
    // One loop carries the server, the probes and the kept fleet, on this thread.
    const std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
    if (!loop) {
        std::fputs("vantrex-exporter: cannot make its event loop: no descriptor left\n", stderr);
        return 1;
    }
    const HealthLimits limits;
    CFleetWatch fleet(options, limits);
    CHttpService service(*loop, options, limits, fleet);
    if (const std::optional<std::string> failure = service.Listen()) {
        std::fprintf(stderr, "vantrex-exporter: cannot listen on %s: %s\n", ListenText(options).c_str(),
                     failure->c_str());
        return 1;
    }
    std::fprintf(stderr, "vantrex-exporter: listening on %s\n", ListenText(options).c_str());
    fleet.Run(*loop, stop, reload);
    service.Stop();
    FinishAnswers(*loop, service);
    return 0;
}
