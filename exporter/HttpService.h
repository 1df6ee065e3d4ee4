#pragma once

#include "ExporterMetrics.h"
#include "ExporterOptions.h"
#include "FleetWatch.h"
#include "HttpServer.h"
#include "ProbeThreads.h"
#include "RequestTarget.h"

#include "health/Health.h"
#include "ntpquery/NtpHistoryStore.h"
#include "runtime/Signal.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// The exporter's HTTP side: /metrics, /probe, the landing page and /-/healthy, each request logged on
// one line to stderr. Requests are answered on the server's one thread; each probe runs on a thread of
// its own, at most --max-probes at once, and ends early when its client leaves or the exporter stops.
// Trouble of this PC (no descriptor, no thread, stopping) is answered 503, never as the device's state.
class CHttpService : public IHttpHandler {
public:
    CHttpService(const ExporterOptions& options, const HealthLimits& limits, CFleetWatch& fleet,
                 const CSignal& stop);
    ~CHttpService() override;
    CHttpService(const CHttpService&) = delete;
    CHttpService& operator=(const CHttpService&) = delete;

    // Takes the listening address; the reason when it cannot ("in use").
    std::optional<std::string> Listen();
    // Answers requests until Stop, and the requests under way after it.
    void Serve();
    // Ends Serve: no new connection or request; the probes under way end early and are answered 503.
    void Stop();

    void OnRequest(const HttpRequest& request, std::shared_ptr<CHttpReply> reply) override;
    void OnEnded(const std::string& client, const HttpRequest* request, const HttpAnswer* answer,
                 double seconds) override;
    void OnConnectionRefused(bool perClient) override;
    void OnAcceptFailed(const std::string& reason) override;

private:
    HttpAnswer AnswerMetrics(const RequestHead& head) const;
    void AnswerProbe(const HttpRequest& request, const RequestTarget& target,
                     std::shared_ptr<CHttpReply> reply);
    HttpAnswer Refusal(int status, ScrapeError reason, const std::string& text);
    HttpAnswer Unavailable(ScrapeError reason, const std::string& text);

    const ExporterOptions& m_options;
    const HealthLimits m_limits;
    CFleetWatch& m_fleet;
    const CSignal& m_stop;
    CExporterMetrics m_metrics;
    std::atomic<std::size_t> m_probesRunning{0};
    bool m_acceptFailing = false;    // the server's thread only: logs an episode once
    CNtpHistoryStore m_ntpHistories; // a scraper may probe a device more often than it may be asked
    CHttpServer m_server;
    CProbeThreads m_probes; // joined before the server goes, whose replies the probes hold
};
