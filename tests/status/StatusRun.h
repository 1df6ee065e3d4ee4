#pragma once

#include "tests/support/ChildProcess.h"

#include <string>
#include <vector>

// What one run of vantrex-status printed and how it ended.
struct StatusRun {
    std::vector<std::string> lines;
    int exitStatus = -1;
    double seconds = 0;
};

// Runs vantrex-status with arguments until it ends (at most 30 s); every address must be loopback. A
// descriptorLimit above 0 is set as its soft and hard limit of open files, as cron or prlimit would.
StatusRun RunStatus(const std::vector<std::string>& arguments, const std::string& errorPath = "",
                    int descriptorLimit = 0);

// Runs vantrex-status with arguments through sh, its stdout sent as redirection says (">/dev/full",
// "| true"); the program's exit status comes back as the run's one line.
StatusRun RunStatusRedirected(const std::string& redirection, const std::vector<std::string>& arguments,
                              const std::string& errorPath);

// Starts vantrex-status with arguments without waiting for its end (for --watch); descriptorLimit as
// for RunStatus.
bool StartStatus(CChildProcess& process, const std::vector<std::string>& arguments, int descriptorLimit = 0);
