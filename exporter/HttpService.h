#pragma once

#include "DescriptorCount.h"
#include "ExporterMetrics.h"
#include "ExporterOptions.h"
#include "FleetWatch.h"
#include "HttpServer.h"
#include "PasswordChecks.h"
#include "ProbeRun.h"
#include "RequestTarget.h"

#include "fleet/SocketBudget.h"
#include "health/Health.h"
#include "ntpquery/NtpExchange.h"
#include "ntpquery/NtpHistoryStore.h"
#include "runtime/EventLoop.h"
#include "runtime/Signal.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

// The exporter's HTTP side: /metrics, /probe, the landing page and /-/healthy, each request logged on
// one line to stderr. Requests and probes, at most --max-probes at once, run on the program's loop; a
// probe ends early when its client leaves or the exporter stops. Trouble of this PC (no descriptor,
// stopping) is answered 503, never as the device's state.
class CHttpService : public IHttpHandler {
public:
    // reload: set by POST /-/reload when --web.enable-lifecycle allows it, as SIGHUP sets it.
    CHttpService(CEventLoop& loop, const ExporterOptions& options, const HealthLimits& limits,
                 CFleetWatch& fleet, CSignal& reload);
    ~CHttpService() override;
    CHttpService(const CHttpService&) = delete;
    CHttpService& operator=(const CHttpService&) = delete;

    // Takes the listening address and answers on the loop from then on; the reason when it cannot.
    std::optional<std::string> Listen();
    // No new connection or request from now; the probes under way end early and are answered 503.
    void Stop();
    // Whether every request taken has had its answer (after Stop: the loop may end).
    bool IsIdle() const { return m_server.IsIdle(); }
    // Reads --web.config.file again: new connections and requests take what it says; one that will not do
    // leaves the settings in force, and the log says why.
    void ReloadWebConfig();

    void OnRequest(const HttpRequest& request, std::shared_ptr<CHttpReply> reply) override;
    void OnEnded(const std::string& client, const HttpRequest* request, const HttpAnswer* answer,
                 bool dropped, double seconds) override;
    void OnConnectionRefused(bool perClient) override;
    void OnAcceptFailed(const std::string& reason) override;
    void OnTlsFailed(const std::string& client, const std::string& reason, TlsFault fault) override;

private:
    HttpAnswer AnswerMetrics(const RequestHead& head) const;
    void AnswerProbe(const HttpRequest& request, const RequestTarget& target,
                     std::shared_ptr<CHttpReply> reply);
    HttpAnswer Refusal(int status, ScrapeError reason, const std::string& text);
    HttpAnswer Unavailable(ScrapeError reason, const std::string& text);
    HttpAnswer ProbeOutcome(const ProbeQuery& query, const ProbeAnswer& answer);
    // The answer to a request whose login has passed.
    void Answer(const HttpRequest& request, const std::shared_ptr<CHttpReply>& reply);
    HttpAnswer Unauthorized();
    // Answers once the worker has checked the login; 503 when it has no room for it.
    void AwaitPasswordCheck(const HttpRequest& request, const std::shared_ptr<CHttpReply>& reply,
                            CPendingLogin login);
    HttpAnswer AnswerReload(const RequestHead& head);

    const ExporterOptions& m_options;
    const HealthLimits m_limits;
    CFleetWatch& m_fleet;
    CSignal& m_reload;
    const CLogger m_log;
    std::shared_ptr<const CWebSettings> m_web;
    const double m_startSeconds;    // for process_start_time_seconds
    CDescriptorCount m_descriptors; // for process_open_fds
    CExporterMetrics m_metrics;
    bool m_acceptFailing = false;     // logs an episode once
    CPasswordChecks m_passwordChecks; // outlives the server, whose replies cancel their checks here
    CNtpHistoryStore m_ntpHistories;  // a scraper may probe a device more often than it may be asked
    CNtpExchange m_ntp;               // the probes' NTP checks, over one socket
    CSocketBudget m_probeSockets;     // the probes' links, within the descriptors set aside for them
    // The probes under way; they go before the NTP exchange and the sockets they use.
    std::unordered_map<const CProbeRun*, std::shared_ptr<CProbeRun>> m_probes;
    CHttpServer m_server; // goes first: its connections' replies reach the probes
};
