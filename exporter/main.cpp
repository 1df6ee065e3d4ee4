// vantrex-exporter: the health of VANTREX time servers for Prometheus, as a service.
#include "ExporterOptions.h"
#include "FleetWatch.h"
#include "HttpService.h"
#include "ServiceNotify.h"

#include "fleet/DescriptorBudget.h"
#include "runtime/DescriptorLimit.h"
#include "runtime/EventLoop.h"
#include "runtime/Networking.h"
#include "runtime/ReloadRequest.h"
#include "runtime/TerminationRequest.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

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

// Client connections, fleet devices and probes within the limit of open descriptors: connections
// first (a scrape must always find a place), then the probes, then the devices the rest allows. Says why
// the fleet reads as many devices at once as it does.
std::string FitDescriptorLimit(ExporterOptions& options, std::optional<std::uint64_t> limit) {
    const std::size_t asked = options.fleet.parallel;
    if (!limit) {
        return "--parallel " + std::to_string(asked);
    }
    options.maxConnections = std::min<std::size_t>(
        options.maxConnections,
        static_cast<std::size_t>(std::max<std::uint64_t>(*limit / kConnectionShare, 16)));
    const std::uint64_t taken = options.maxConnections + options.maxProbes * kDescriptorsPerProbe;
    const std::uint64_t left = *limit > taken ? *limit - taken : 0;
    options.fleet.parallel = DevicesWithinDescriptorLimit(options.fleet.parallel, left);
    options.fleet.sockets = SocketsWithinDescriptorLimit(left);
    if (options.fleet.parallel < asked) {
        return "the limit of " + std::to_string(*limit) + " open files leaves room for " +
               std::to_string(options.fleet.parallel) + " beside " + std::to_string(options.maxConnections) +
               " connections and " + std::to_string(options.maxProbes) + " probes";
    }
    return "--parallel " + std::to_string(asked);
}

// Runs the loop, and with it the server, the probes and the fleet, until stop is set.
void RunUntil(CEventLoop& loop, const CSignal& stop) {
    // Unwatched (no descriptor for it), a set stop is still seen within a second.
    const bool watched = loop.WatchSignal(stop, [](unsigned) {});
    while (!stop.Wait(0)) {
        (void)loop.Wait(CEventLoop::Clock::now() + std::chrono::seconds(1));
    }
    if (watched) {
        loop.ForgetSignal(stop);
    }
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
    const std::string parallelReason = FitDescriptorLimit(options, RaiseDescriptorLimit());
    // One loop carries the server, the probes and the kept fleet, on this thread.
    const std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
    if (!loop) {
        std::fputs("vantrex-exporter: cannot make its event loop: no descriptor left\n", stderr);
        return 1;
    }
    const HealthLimits limits;
    CFleetWatch fleet(options, limits, parallelReason);
    // SIGHUP and POST /-/reload set reload; the web configuration is read again here, on the loop, then
    // the fleet reads its list.
    CSignal fleetReload;
    CHttpService service(*loop, options, limits, fleet, reload);
    if (!loop->WatchSignal(reload, [&](unsigned) {
            (void)reload.Reset();
            service.ReloadWebConfig();
            (void)fleetReload.Set();
        })) {
        std::fputs("vantrex-exporter: cannot watch for SIGHUP: no descriptor left\n", stderr);
        return 1;
    }
    const CLogger log(options.logLevel, options.logFormat);
    const std::string port = std::to_string(options.listenPort);
    if (const std::optional<std::string> failure = service.Listen()) {
        log.Log(LogLevel::Error, "cannot listen",
                {{"address", options.listenAddress}, {"port", port}, {"reason", *failure}});
        return 1;
    }
    log.Log(LogLevel::Info, "listening",
            {{"address", options.listenAddress}, {"port", port}, {"tls", options.web->Tls() ? "yes" : "no"}});
    if (!NotifyReady()) {
        log.Log(LogLevel::Warn, "cannot tell systemd that the service is ready");
    }
    if (!fleet.Start(*loop, fleetReload)) {
        log.Log(LogLevel::Error, "cannot watch for a reload of the device list: no descriptor left");
        return 1;
    }
    RunUntil(*loop, stop);
    fleet.Stop();
    loop->ForgetSignal(reload);
    service.Stop();
    FinishAnswers(*loop, service);
    return 0;
}
