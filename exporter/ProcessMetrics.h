#pragma once

#include <optional>
#include <string>
#include <string_view>

// This process as the process_* metrics of every Prometheus exporter describe it; a figure /proc would
// not give is left out rather than written as 0.
struct ProcessReading {
    std::optional<double> cpuSeconds;
    std::optional<double> residentBytes;
    std::optional<double> virtualBytes;
    std::optional<double> openDescriptors; // counted apart (CDescriptorCount): ReadProcess leaves it out
    std::optional<double> maxDescriptors;  // the soft limit; none when unlimited
};

// CPU seconds (user and system) from the text of /proc/PID/stat.
std::optional<double> StatCpuSeconds(std::string_view stat);
// The bytes of a "kB" line of /proc/PID/status, such as "VmRSS:".
std::optional<double> StatusBytes(std::string_view status, std::string_view key);
// The soft limit of open files from /proc/PID/limits.
std::optional<double> LimitsMaxOpenFiles(std::string_view limits);

// Reads /proc/self (each file at most 16 KiB).
ProcessReading ReadProcess();

// The process_* families of reading; startSeconds is when the process started, in seconds since 1970.
std::string FormatProcessMetrics(const ProcessReading& reading, double startSeconds);
