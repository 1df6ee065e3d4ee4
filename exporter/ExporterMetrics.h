#pragma once

#include "TlsSession.h"

#include "runtime/Lock.h"

#include <array>
#include <cstdint>
#include <string>

// Why a request was answered with an error status, as vantrex_exporter_scrape_errors_total's reason
// label says it: a fixed set, so that no client can make new series.
enum class ScrapeError {
    Malformed,    // 400: a head, query or scrape time-out the exporter cannot take
    Forbidden,    // 403: a target outside the allowed networks and devices
    NotFound,     // 404: no such page (often a stranger's guess)
    Method,       // 405
    Timeout,      // 408: the request did not come whole in time
    TooLarge,     // 414, 431
    Unauthorized, // 401: no user name and password, or a wrong one
    Busy,         // 503: as many probes run as allowed, or as many logins wait for their password check
    LocalFailure, // 503: this PC lacked a descriptor or a thread for the probe
    Stopping,     // 503: the exporter was stopping
    Version,      // 505
};

// The exporter's own counts, kept as requests are answered and read by /metrics.
class CExporterMetrics {
public:
    // One /probe reading that took seconds; success when it gave a complete reading.
    void CountProbe(double seconds, bool success);
    void CountScrapeError(ScrapeError reason);
    // A connection closed at once for the limit of connections from one address (perClient) or in all.
    void CountRefusedConnection(bool perClient);
    // An answer the client did not take whole: the write limit came, or the connection broke.
    void CountDroppedAnswer();
    // A client's TLS session that failed, and closed its connection.
    void CountTlsFailure(TlsFault fault);
    // The families of build info, probes, failures, probe durations, scrape errors and refused connections
    // and dropped answers, and failed TLS sessions.
    // probesInFlight: the /probe readings under way.
    std::string Format(std::size_t probesInFlight) const;

private:
    // Upper bounds of the duration buckets in seconds: a reading takes 3 s at least, 30 s by default.
    static constexpr std::array<double, 10> kBuckets = {1, 2, 3, 4, 5, 7.5, 10, 15, 20, 30};
    static constexpr std::size_t kScrapeErrorReasons = static_cast<std::size_t>(ScrapeError::Version) + 1;

    mutable CLock m_lock;
    std::uint64_t m_probes = 0;
    std::uint64_t m_failures = 0;
    std::array<std::uint64_t, kScrapeErrorReasons> m_scrapeErrors{};
    std::array<std::uint64_t, 2> m_refusedConnections{}; // in all, per client
    std::uint64_t m_droppedAnswers = 0;
    std::array<std::uint64_t, static_cast<std::size_t>(TlsFault::Other) + 1> m_tlsFailures{};
    std::array<std::uint64_t, kBuckets.size()> m_bucketCounts{};
    double m_secondsSum = 0;
};
