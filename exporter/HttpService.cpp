#include "HttpService.h"

#include "ProbeRun.h"

#include "runtime/ListenQueue.h"
#include "status/OptionChecks.h"

#include <httplib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kTextFormat = "text/plain; version=0.0.4; charset=utf-8";
// Threads beyond the probes' places: /metrics, the landing page and refusals.
constexpr std::size_t kSpareThreads = 8;
// A request without a body has no business sending more than its headers.
constexpr std::size_t kLongestBody = 8192;
// A client that sends nothing for this long is dropped.
constexpr auto kReadTimeout = std::chrono::seconds(5);
// Connections the system holds for the exporter before it accepts them: a scraper with many targets
// connects to all at once, and the library's own queue of 5 drops the rest, whose clients try again only a
// second later.
constexpr int kListenQueue = 1024;
// How much of a requested path a log line repeats.
constexpr std::size_t kLongestLoggedPath = 256;

// When the request this thread answers began: its connection's start for the first one, routing for
// the others. Unknown (and logged as such) for a request the library refused before routing it on a
// connection that had answered one already.
thread_local std::optional<Clock::time_point> t_requestStart;

// The library's pool, with the start of each connection noted for the log.
class CTimedPool : public httplib::ThreadPool {
public:
    using ThreadPool::ThreadPool;
    void enqueue(std::function<void()> connection) override {
        ThreadPool::enqueue([connection = std::move(connection)] {
            t_requestStart = Clock::now();
            connection();
        });
    }
};

void Answer(httplib::Response& response, int status, const std::string& text) {
    response.status = status;
    response.set_content(text + "\n", "text/plain; charset=utf-8");
}

void LogRequest(const httplib::Request& request, const httplib::Response& response) {
    char duration[32] = "-";
    if (t_requestStart) {
        std::snprintf(duration, sizeof duration, "%.3fs",
                      std::chrono::duration<double>(Clock::now() - *t_requestStart).count());
    }
    t_requestStart.reset();
    // One call, so that lines from several threads never mix.
    std::fprintf(stderr, "%s %s %s %d %s\n", request.remote_addr.empty() ? "-" : request.remote_addr.c_str(),
                 request.method.empty() ? "-" : request.method.c_str(),
                 request.target.empty() ? "-" : OutsideText(request.target, kLongestLoggedPath).c_str(),
                 response.status, duration);
}

// Writes the bytes from begin to end of the parts taken as one text.
bool WriteRange(const std::array<std::shared_ptr<const std::string>, 2>& parts, std::size_t begin,
                std::size_t end, httplib::DataSink& sink) {
    std::size_t partBegin = 0;
    for (const std::shared_ptr<const std::string>& part : parts) {
        const std::size_t partEnd = partBegin + part->size();
        const std::size_t from = std::max(begin, partBegin);
        const std::size_t to = std::min(end, partEnd);
        if (from < to && !sink.write(part->data() + (from - partBegin), to - from)) {
            return false;
        }
        partBegin = partEnd;
    }
    return true;
}

std::string LandingPage() {
    return "<!DOCTYPE html>\n<html><head><title>vantrex-exporter</title></head><body>\n"
           "<h1>vantrex-exporter</h1>\n"
           "<p><a href=\"/metrics\">Metrics</a>: the exporter's own, and the listed devices'.</p>\n"
           "<p><a href=\"/probe?target=192.0.2.1\">Probe</a> one device: /probe?target=ADDRESS "
           "(&amp;no_ntp=1, &amp;ntp_port=PORT).</p>\n"
           "</body></html>\n";
}

} // namespace

CHttpService::CHttpService(const ExporterOptions& options, const HealthLimits& limits, CFleetWatch& fleet,
                           const CSignal& stop)
    : m_options(options), m_limits(limits), m_fleet(fleet), m_stop(stop),
      m_server(std::make_unique<httplib::Server>()) {
    const std::size_t threads = options.maxProbes + kSpareThreads;
    m_server->new_task_queue = [threads] { return new CTimedPool(threads); };
    m_server->set_socket_options([this](auto socket) {
        httplib::default_socket_options(socket);
        m_listenSocket = static_cast<std::uintptr_t>(socket);
    });
    m_server->set_read_timeout(kReadTimeout);
    m_server->set_payload_max_length(kLongestBody);
    m_server->set_pre_routing_handler([](const httplib::Request& request, httplib::Response& response) {
        t_requestStart = t_requestStart.value_or(Clock::now());
        if (request.method == "GET" || request.method == "HEAD") {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        response.set_header("Allow", "GET, HEAD");
        Answer(response, 405, "only GET and HEAD are answered");
        return httplib::Server::HandlerResponse::Handled;
    });
    // Called for every error status before the answer is sent, so that a scrape right after it counts it;
    // the logger comes only after the answer.
    m_server->set_error_handler([this](const httplib::Request&, httplib::Response& response) {
        m_metrics.CountScrapeError();
        if (response.body.empty()) {
            Answer(response, response.status, response.status == 404 ? "no such page" : "not answered");
        }
    });
    m_server->set_logger(LogRequest);
    m_server->Get("/", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(LandingPage(), "text/html; charset=utf-8");
    });
    m_server->Get("/-/healthy",
                  [](const httplib::Request&, httplib::Response& response) { Answer(response, 200, "OK"); });
    m_server->Get("/metrics",
                  [this](const httplib::Request&, httplib::Response& response) { AnswerMetrics(response); });
    m_server->Get("/probe", [this](const httplib::Request& request, httplib::Response& response) {
        AnswerProbe(request, response);
    });
}

CHttpService::~CHttpService() = default;

bool CHttpService::Bind() {
    return m_server->bind_to_port(m_options.listenAddress, m_options.listenPort) &&
           WidenListenQueue(m_listenSocket, kListenQueue);
}

void CHttpService::Serve() {
    (void)m_server->listen_after_bind();
}

void CHttpService::Stop() {
    m_server->stop();
}

void CHttpService::AnswerMetrics(httplib::Response& response) const {
    // The fleet's page, a megabyte for a thousand devices, is sent from where it is kept: a copy for
    // each answering thread would stay in that thread's heap.
    const std::array<std::shared_ptr<const std::string>, 2> parts{
        std::make_shared<const std::string>(m_metrics.Format()), m_fleet.Page()};
    response.set_content_provider(parts[0]->size() + parts[1]->size(), kTextFormat,
                                  [parts](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                      return WriteRange(parts, offset, offset + length, sink);
                                  });
}

bool CHttpService::MayProbe(std::uint32_t address) const {
    return IsWithin(m_options.allow, address) || m_fleet.Lists(address);
}

void CHttpService::AnswerProbe(const httplib::Request& request, httplib::Response& response) {
    const std::optional<std::string> scrapeTimeout =
        request.has_header("X-Prometheus-Scrape-Timeout-Seconds")
            ? std::optional<std::string>(request.get_header_value("X-Prometheus-Scrape-Timeout-Seconds"))
            : std::nullopt;
    const ProbeQueryResult parsed = ParseProbeQuery(request.params, scrapeTimeout, m_options.fleet.probe);
    if (!parsed.query) {
        Answer(response, 400, parsed.refusal);
        return;
    }
    if (!MayProbe(parsed.query->target.value)) {
        Answer(response, 403, parsed.query->target.text + " is outside the allowed networks and devices");
        return;
    }
    if (m_probesRunning.fetch_add(1) >= m_options.maxProbes) {
        m_probesRunning.fetch_sub(1);
        response.set_header("Retry-After", "1");
        Answer(response, 503, "as many probes run as allowed (--max-probes)");
        return;
    }
    const ProbeAnswer answer = RunProbe(*parsed.query, m_limits, m_stop, m_ntpHistories);
    m_probesRunning.fetch_sub(1);
    m_metrics.CountProbe(answer.seconds, answer.success);
    response.set_content(answer.page, kTextFormat);
}
