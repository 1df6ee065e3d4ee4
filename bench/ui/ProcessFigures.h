#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What a running process costs, read from /proc.
struct ProcessFigures {
    double cpuSeconds = 0.0; // user and system time of all its threads so far
    long rssKb = 0;          // resident memory now (VmRSS)
    long hwmKb = 0;          // highest resident memory so far (VmHWM)
    int threads = 0;         // entries of /proc/<pid>/task
    int descriptors = 0;     // open descriptors, /proc/<pid>/fd
};

// The figures of process pid ("self" for this process); nullopt when the process is gone.
std::optional<ProcessFigures> ReadProcessFigures(const std::string& pid);

// The value in kB of a "Name:   1234 kB" line of /proc/<pid>/status; nullopt when it is missing.
std::optional<long> StatusFieldKb(const std::string& statusText, const std::string& name);
// utime plus stime, in clock ticks, from the text of /proc/<pid>/stat; nullopt when malformed.
std::optional<std::uint64_t> CpuTicks(const std::string& statText);
