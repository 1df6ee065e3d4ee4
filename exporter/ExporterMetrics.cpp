#include "ExporterMetrics.h"

#include "report/MetricWriter.h"

#include <cstdio>

namespace {

constexpr const char* kDuration = "vantrex_exporter_probe_duration_seconds";
constexpr const char* kScrapeErrors = "vantrex_exporter_scrape_errors_total";
constexpr const char* kRefused = "vantrex_exporter_connections_refused_total";

std::string Bound(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "le=\"%g\"", seconds);
    return text;
}

const char* ReasonName(ScrapeError reason) {
    switch (reason) {
    case ScrapeError::Malformed:
        return "malformed";
    case ScrapeError::Forbidden:
        return "forbidden";
    case ScrapeError::NotFound:
        return "not-found";
    case ScrapeError::Method:
        return "method";
    case ScrapeError::Timeout:
        return "timeout";
    case ScrapeError::TooLarge:
        return "too-large";
    case ScrapeError::Unauthorized:
        return "unauthorized";
    case ScrapeError::Busy:
        return "busy";
    case ScrapeError::LocalFailure:
        return "local-failure";
    case ScrapeError::Stopping:
        return "stopping";
    case ScrapeError::Version:
        break;
    }
    return "version";
}

constexpr const char* kTlsFailures = "vantrex_exporter_tls_failures_total";

// The label of each fault counted, in TlsFault's order after None.
constexpr const char* kTlsFaultNames[] = {
    "plain-http", "no-client-certificate", "bad-client-certificate", "certificate-refused", "version",
    "other"};

} // namespace

void CExporterMetrics::CountProbe(double seconds, bool success) {
    CLockHold hold(m_lock);
    ++m_probes;
    m_failures += success ? 0 : 1;
    m_secondsSum += seconds;
    for (std::size_t index = 0; index < kBuckets.size(); ++index) {
        m_bucketCounts[index] += seconds <= kBuckets[index] ? 1 : 0;
    }
}

void CExporterMetrics::CountScrapeError(ScrapeError reason) {
    CLockHold hold(m_lock);
    ++m_scrapeErrors[static_cast<std::size_t>(reason)];
}

void CExporterMetrics::CountRefusedConnection(bool perClient) {
    CLockHold hold(m_lock);
    ++m_refusedConnections[perClient ? 1 : 0];
}

void CExporterMetrics::CountDroppedAnswer() {
    CLockHold hold(m_lock);
    ++m_droppedAnswers;
}

void CExporterMetrics::CountTlsFailure(TlsFault fault) {
    CLockHold hold(m_lock);
    ++m_tlsFailures[static_cast<std::size_t>(fault == TlsFault::None ? TlsFault::Other : fault)];
}

std::string CExporterMetrics::Format(std::size_t probesInFlight) const {
    CLockHold hold(m_lock);
    CMetricWriter writer;
    writer.Family("vantrex_exporter_build_info", "The exporter's version; always 1.");
    writer.Sample("vantrex_exporter_build_info", "version=\"" + LabelValue(VANTREX_VERSION) + '"', 1);
    writer.Family("vantrex_exporter_probes_total", "Readings made for /probe.", "counter");
    writer.Sample("vantrex_exporter_probes_total", "", static_cast<double>(m_probes));
    writer.Family("vantrex_exporter_probe_failures_total",
                  "Readings for /probe that gave no complete reading.", "counter");
    writer.Sample("vantrex_exporter_probe_failures_total", "", static_cast<double>(m_failures));
    writer.Family("vantrex_exporter_probes_in_flight", "Readings for /probe under way.");
    writer.Sample("vantrex_exporter_probes_in_flight", "", static_cast<double>(probesInFlight));
    writer.Family(kDuration, "How long the readings for /probe took.", "histogram");
    for (std::size_t index = 0; index < kBuckets.size(); ++index) {
        writer.Sample(std::string(kDuration) + "_bucket", Bound(kBuckets[index]),
                      static_cast<double>(m_bucketCounts[index]));
    }
    writer.Sample(std::string(kDuration) + "_bucket", "le=\"+Inf\"", static_cast<double>(m_probes));
    writer.Sample(std::string(kDuration) + "_sum", "", m_secondsSum);
    writer.Sample(std::string(kDuration) + "_count", "", static_cast<double>(m_probes));
    writer.Family(kScrapeErrors, "Requests answered with an error status, by reason.", "counter");
    for (std::size_t index = 0; index < kScrapeErrorReasons; ++index) {
        writer.Sample(kScrapeErrors,
                      std::string("reason=\"") + ReasonName(static_cast<ScrapeError>(index)) + '"',
                      static_cast<double>(m_scrapeErrors[index]));
    }
    writer.Family(kRefused, "Connections closed at once: too many in all, or from one client address.",
                  "counter");
    writer.Sample(kRefused, "limit=\"total\"", static_cast<double>(m_refusedConnections[0]));
    writer.Sample(kRefused, "limit=\"per-client\"", static_cast<double>(m_refusedConnections[1]));
    writer.Family(
        "vantrex_exporter_answers_dropped_total",
        "Answers the client did not take whole: within the write limit, or before its connection broke.",
        "counter");
    writer.Sample("vantrex_exporter_answers_dropped_total", "", static_cast<double>(m_droppedAnswers));
    writer.Family(kTlsFailures, "Client connections closed because their TLS failed, by reason.", "counter");
    for (std::size_t index = 1; index < m_tlsFailures.size(); ++index) {
        writer.Sample(kTlsFailures, std::string("reason=\"") + kTlsFaultNames[index - 1] + '"',
                      static_cast<double>(m_tlsFailures[index]));
    }
    return writer.Text();
}
