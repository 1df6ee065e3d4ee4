#pragma once

#include "runtime/Lock.h"

#include <array>
#include <cstdint>
#include <string>

// The exporter's own counts, kept by every request thread and read by /metrics.
class CExporterMetrics {
public:
    // One /probe reading that took seconds; success when it gave a complete reading.
    void CountProbe(double seconds, bool success);
    // One request answered with an error status.
    void CountScrapeError();
    // The families of build info, probes, failures, probe durations and scrape errors.
    std::string Format() const;

private:
    // Upper bounds of the duration buckets in seconds: a reading takes 3 s at least, 15 s by default.
    static constexpr std::array<double, 10> kBuckets = {1, 2, 3, 4, 5, 7.5, 10, 15, 20, 30};

    mutable CLock m_lock;
    std::uint64_t m_probes = 0;
    std::uint64_t m_failures = 0;
    std::uint64_t m_scrapeErrors = 0;
    std::array<std::uint64_t, kBuckets.size()> m_bucketCounts{};
    double m_secondsSum = 0;
};
