#pragma once

#include "ExporterMetrics.h"
#include "ExporterOptions.h"
#include "FleetWatch.h"

#include "health/Health.h"
#include "ntp/NtpHistoryStore.h"
#include "runtime/Signal.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

// The exporter's HTTP side: /metrics, /probe, the landing page and /-/healthy, each request logged on
// one line to stderr. A fixed pool of threads answers, more of them than probes may run, so that a
// scrape of /metrics or a refusal never waits behind the probes.
class CHttpService {
public:
    CHttpService(const ExporterOptions& options, const HealthLimits& limits, CFleetWatch& fleet,
                 const CSignal& stop);
    ~CHttpService();
    CHttpService(const CHttpService&) = delete;
    CHttpService& operator=(const CHttpService&) = delete;

    // Takes the listening address; false when it cannot be had (in use, not this host's).
    bool Bind();
    // Answers requests until Stop.
    void Serve();
    // Ends Serve; the requests under way are answered first (a probe ends early once stop is set).
    void Stop();

private:
    void AnswerMetrics(httplib::Response& response) const;
    void AnswerProbe(const httplib::Request& request, httplib::Response& response);
    bool MayProbe(std::uint32_t address) const;

    const ExporterOptions& m_options;
    const HealthLimits m_limits;
    CFleetWatch& m_fleet;
    const CSignal& m_stop;
    CExporterMetrics m_metrics;
    std::atomic<std::size_t> m_probesRunning{0};
    CNtpHistoryStore m_ntpHistories;   // a scraper may probe a device more often than it may be asked
    std::uintptr_t m_listenSocket = 0; // as the library made it in Bind
    std::unique_ptr<httplib::Server> m_server;
};
