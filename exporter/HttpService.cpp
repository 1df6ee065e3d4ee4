#include "HttpService.h"

#include "GzipPieces.h"
#include "ProbeReach.h"
#include "ProcessMetrics.h"

#include "devicetext/DeviceText.h"

#include <cstdio>

namespace {

constexpr const char* kTextFormat = "text/plain; version=0.0.4; charset=utf-8";
// How much of a requested path a log line repeats.
constexpr std::size_t kLongestLoggedPath = 256;
// How much of the system's reason a log line or an answer repeats.
constexpr std::size_t kLongestReason = 200;

HttpLimits LimitsFor(const ExporterOptions& options) {
    HttpLimits limits;
    limits.connections = options.maxConnections;
    limits.connectionsPerClient = options.maxConnectionsPerClient;
    return limits;
}

std::string LandingPage() {
    return "<!DOCTYPE html>\n<html><head><title>vantrex-exporter</title></head><body>\n"
           "<h1>vantrex-exporter</h1>\n"
           "<p><a href=\"/metrics\">Metrics</a>: the exporter's own, and the listed devices'.</p>\n"
           "<p><a href=\"/probe?target=192.0.2.1\">Probe</a> one device: /probe?target=ADDRESS "
           "(&amp;no_ntp=1, &amp;ntp_port=PORT).</p>\n"
           "</body></html>\n";
}

// The error reason of a status the server gives by itself.
ScrapeError ReasonOf(int status) {
    switch (status) {
    case 408:
        return ScrapeError::Timeout;
    case 414:
    case 431:
        return ScrapeError::TooLarge;
    case 505:
        return ScrapeError::Version;
    default:
        return ScrapeError::Malformed;
    }
}

// A shared string that lives as long as the piece it is part of.
std::shared_ptr<const std::string> BytesOf(const std::shared_ptr<const DeflatedPiece>& piece) {
    return std::shared_ptr<const std::string>(piece, &piece->bytes);
}

} // namespace

CHttpService::CHttpService(CEventLoop& loop, const ExporterOptions& options, const HealthLimits& limits,
                           CFleetWatch& fleet, CSignal& reload)
    : m_options(options), m_limits(limits), m_fleet(fleet), m_reload(reload),
      m_log(options.logLevel, options.logFormat),
      m_web(options.web ? options.web : std::make_shared<const CWebSettings>()),
      m_startSeconds(
          std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count()),
      m_descriptors(loop), m_passwordChecks(loop), m_ntp(loop),
      m_probeSockets(options.maxProbes * kSocketsOfARace), m_server(loop, *this, LimitsFor(options)) {
    m_server.SetTls(m_web->Tls());
}

void CHttpService::ReloadWebConfig() {
    if (m_options.webConfigPath.empty()) {
        return;
    }
    std::string error;
    std::shared_ptr<const CWebSettings> settings = CWebSettings::Load(m_options.webConfigPath, error);
    if (!settings) {
        m_log.Log(LogLevel::Error, "web configuration not read; the one in force stays", {{"reason", error}});
        return;
    }
    m_web = std::move(settings);
    m_server.SetTls(m_web->Tls());
    m_log.Log(LogLevel::Info, "web configuration read",
              {{"tls", m_web->Tls() ? "yes" : "no"}, {"users", std::to_string(m_web->Auth().Users())}});
}

HttpAnswer CHttpService::Unauthorized() {
    HttpAnswer answer = Refusal(401, ScrapeError::Unauthorized, "a user name and password are needed");
    answer.fields.emplace_back("WWW-Authenticate", "Basic realm=\"vantrex-exporter\", charset=\"UTF-8\"");
    return answer;
}

void CHttpService::AwaitPasswordCheck(const HttpRequest& request, const std::shared_ptr<CHttpReply>& reply,
                                      CPendingLogin login) {
    // The settings that asked hear the answer, even when a reload has replaced them meanwhile.
    const std::optional<CPasswordChecks::Ticket> ticket = m_passwordChecks.Submit(
        request.client, std::move(login),
        [this, web = m_web, request, reply](const CPendingLogin& checked, bool matched) {
            if (web->Auth().Conclude(checked, matched) == AuthOutcome::Granted) {
                Answer(request, reply);
            } else {
                reply->Send(Unauthorized());
            }
        });
    if (!ticket) {
        reply->Send(Unavailable(ScrapeError::Busy, "too many password checks waiting; try again"));
        return;
    }
    reply->OnCancel([this, waiting = *ticket] { m_passwordChecks.Cancel(waiting); });
}

HttpAnswer CHttpService::AnswerReload(const RequestHead& head) {
    if (!m_options.enableLifecycle) {
        return Refusal(403, ScrapeError::Forbidden, "/-/reload is off: start with --web.enable-lifecycle");
    }
    if (head.method != "POST" && head.method != "PUT") {
        HttpAnswer answer = Refusal(405, ScrapeError::Method, "/-/reload takes POST");
        answer.fields.emplace_back("Allow", "POST, PUT");
        return answer;
    }
    // Read on the loop as for SIGHUP: the device list and the web configuration.
    (void)m_reload.Set();
    return TextAnswer(200, "reloading");
}

CHttpService::~CHttpService() = default;

std::optional<std::string> CHttpService::Listen() {
    return m_server.Listen(m_options.listenAddress, m_options.listenPort);
}

void CHttpService::Stop() {
    m_server.Stop();
    m_passwordChecks.Stop();
}

void CHttpService::OnRequest(const HttpRequest& request, std::shared_ptr<CHttpReply> reply) {
    m_acceptFailing = false;
    AuthDecision decision = m_web->Auth().Check(request.head.Field("authorization"));
    switch (decision.outcome) {
    case AuthOutcome::Granted:
        Answer(request, reply);
        break;
    case AuthOutcome::Refused:
        reply->Send(Unauthorized());
        break;
    case AuthOutcome::Pending:
        AwaitPasswordCheck(request, reply, std::move(*decision.login));
        break;
    }
}

void CHttpService::Answer(const HttpRequest& request, const std::shared_ptr<CHttpReply>& reply) {
    const RequestHead& head = request.head;
    const std::optional<RequestTarget> target = ParseRequestTarget(head.target);
    if (target && target->path == "/-/reload" && !head.HasBody()) {
        reply->Send(AnswerReload(head));
    } else if (head.method != "GET" && head.method != "HEAD") {
        HttpAnswer answer = Refusal(405, ScrapeError::Method, "only GET and HEAD are answered");
        answer.fields.emplace_back("Allow", "GET, HEAD");
        reply->Send(std::move(answer));
    } else if (head.HasBody()) {
        reply->Send(Refusal(400, ScrapeError::Malformed, "a request body is not taken"));
    } else if (!target) {
        reply->Send(Refusal(400, ScrapeError::Malformed, "the request target is not a path with a query"));
    } else if (target->path == "/metrics") {
        reply->Send(AnswerMetrics(head));
    } else if (target->path == "/probe") {
        AnswerProbe(request, *target, reply);
    } else if (target->path == "/") {
        HttpAnswer answer;
        answer.contentType = "text/html; charset=utf-8";
        answer.body.push_back(std::make_shared<const std::string>(LandingPage()));
        reply->Send(std::move(answer));
    } else if (target->path == "/-/healthy") {
        reply->Send(TextAnswer(200, "OK"));
    } else if (target->path == "/-/ready") {
        reply->Send(m_fleet.Ready() ? TextAnswer(200, "OK")
                                    : TextAnswer(503, "the first readings of the devices are not in yet"));
    } else {
        reply->Send(Refusal(404, ScrapeError::NotFound, "no such page"));
    }
}

HttpAnswer CHttpService::AnswerMetrics(const RequestHead& head) const {
    ProcessReading process = ReadProcess();
    process.openDescriptors = m_descriptors.Current();
    const std::string own = m_metrics.Format(m_probes.size()) + m_fleet.Reloads().Format() +
                            FormatProcessMetrics(process, m_startSeconds);
    const FleetPage fleet = m_fleet.Page();
    HttpAnswer answer;
    answer.contentType = kTextFormat;
    answer.fields.emplace_back("Vary", "Accept-Encoding");
    if (!head.AcceptsGzip()) {
        answer.body = {std::make_shared<const std::string>(own), fleet.text};
        return answer;
    }
    // The fleet's page is compressed once an update; only the exporter's own lines are compressed here.
    const DeflatedPiece ownPiece = Deflate(own, false);
    answer.fields.emplace_back("Content-Encoding", "gzip");
    answer.body = {std::make_shared<const std::string>(GzipHeader() + ownPiece.bytes),
                   BytesOf(fleet.deflated),
                   std::make_shared<const std::string>(GzipTrailer({&ownPiece, fleet.deflated.get()}))};
    return answer;
}

void CHttpService::AnswerProbe(const HttpRequest& request, const RequestTarget& target,
                               std::shared_ptr<CHttpReply> reply) {
    if (request.head.method == "HEAD") {
        // Its answer's length is known only by probing.
        HttpAnswer answer = Refusal(405, ScrapeError::Method, "/probe is answered to GET only");
        answer.fields.emplace_back("Allow", "GET");
        reply->Send(std::move(answer));
        return;
    }
    const std::optional<std::string_view> scrapeTimeout =
        request.head.Field("x-prometheus-scrape-timeout-seconds");
    const ProbeQueryResult parsed = ParseProbeQuery(
        target.parameters, scrapeTimeout ? std::optional<std::string>(*scrapeTimeout) : std::nullopt,
        m_options.fleet.probe);
    if (!parsed.query) {
        reply->Send(Refusal(400, ScrapeError::Malformed, parsed.refusal));
        return;
    }
    const DeviceAddress& device = parsed.query->target;
    const std::string refusal =
        ProbeRefusal(m_options.allow, m_fleet.Lists(device.value), device.value, device.text);
    if (!refusal.empty()) {
        reply->Send(Refusal(403, ScrapeError::Forbidden, refusal));
        return;
    }
    if (m_probes.size() >= m_options.maxProbes || !m_probeSockets.HasRoom(kSocketsOfARace)) {
        reply->Send(Unavailable(ScrapeError::Busy, "as many probes run as allowed (--max-probes)"));
        return;
    }
    const ProbeQuery query = *parsed.query;
    auto run = std::make_shared<CProbeRun>(
        ProbeGround{m_server.Loop(), m_probeSockets, m_ntp}, query, m_limits, m_ntpHistories,
        [this, query, reply](const CProbeRun& ended, const ProbeAnswer& answer) {
            reply->Send(ProbeOutcome(query, answer));
            m_probes.erase(&ended);
        });
    m_probes.emplace(run.get(), run);
    reply->OnCancel([weak = std::weak_ptr<CProbeRun>(run)] {
        if (const std::shared_ptr<CProbeRun> probe = weak.lock()) {
            probe->Cancel();
        }
    });
    run->Start();
}

HttpAnswer CHttpService::ProbeOutcome(const ProbeQuery& query, const ProbeAnswer& answer) {
    if (answer.interrupted) {
        // The client has gone, and the answer with it; or the exporter stops, which says nothing of the
        // device.
        return m_server.IsStopping() ? Unavailable(ScrapeError::Stopping, "the exporter is stopping")
                                     : TextAnswer(503, "the client has gone");
    }
    if (!answer.localFailure.empty()) {
        m_log.Log(LogLevel::Warn, "cannot probe",
                  {{"target", query.target.text}, {"reason", answer.localFailure}});
        return Unavailable(ScrapeError::LocalFailure,
                           "this host could not probe: " + OutsideText(answer.localFailure, kLongestReason));
    }
    m_metrics.CountProbe(answer.seconds, answer.success);
    HttpAnswer page;
    page.contentType = kTextFormat;
    page.body.push_back(std::make_shared<const std::string>(answer.page));
    return page;
}

HttpAnswer CHttpService::Refusal(int status, ScrapeError reason, const std::string& text) {
    m_metrics.CountScrapeError(reason);
    HttpAnswer answer = TextAnswer(status, text);
    // A client that was refused once has nothing more to ask on this connection.
    answer.close = true;
    return answer;
}

HttpAnswer CHttpService::Unavailable(ScrapeError reason, const std::string& text) {
    HttpAnswer answer = Refusal(503, reason, text);
    answer.fields.emplace_back("Retry-After", "1");
    return answer;
}

void CHttpService::OnEnded(const std::string& client, const HttpRequest* request, const HttpAnswer* answer,
                           bool dropped, double seconds) {
    if (request == nullptr && answer != nullptr) {
        m_metrics.CountScrapeError(ReasonOf(answer->status));
    }
    if (dropped) {
        m_metrics.CountDroppedAnswer();
    }
    if (!m_log.Enabled(LogLevel::Debug)) {
        return;
    }
    // An answer the client did not take is not logged as given.
    const std::string status = dropped ? "dropped" : answer ? std::to_string(answer->status) : "left";
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.3f", seconds);
    m_log.Log(LogLevel::Debug, "request",
              {{"client", client},
               {"method", request ? std::string_view(request->head.method) : "-"},
               {"path", request ? std::string_view(request->head.target).substr(0, kLongestLoggedPath) : "-"},
               {"status", status},
               {"seconds", duration}});
}

void CHttpService::OnConnectionRefused(bool perClient) {
    m_metrics.CountRefusedConnection(perClient);
}

void CHttpService::OnTlsFailed(const std::string& client, const std::string& reason, TlsFault fault) {
    m_metrics.CountTlsFailure(fault);
    m_log.Log(LogLevel::Info, "TLS failed", {{"client", client}, {"reason", reason}});
}

void CHttpService::OnAcceptFailed(const std::string& reason) {
    if (!m_acceptFailing) {
        m_log.Log(LogLevel::Error, "cannot accept a connection; trying again every 0.1 s",
                  {{"reason", reason}});
    }
    m_acceptFailing = true;
}
