#include "StatusRun.h"

#include <algorithm>
#include <chrono>

namespace {

// Beyond the default time-out of a reading (30 s), which a device that never answers takes whole, and
// within the test's own limit.
constexpr int kRunLimitMs = 45000;

std::vector<std::string> CommandLine(const std::vector<std::string>& arguments) {
    std::vector<std::string> command{VANTREX_STATUS_PATH};
    for (const std::string& argument : arguments) {
        // Anything that starts like an address must be in 127.0.0.0/8, valid or not: a typo must never
        // reach a real device.
        const bool dotted = std::count(argument.begin(), argument.end(), '.') >= 2;
        if (dotted && argument[0] >= '0' && argument[0] <= '9' && !argument.starts_with("127.")) {
            return {};
        }
        command.push_back(argument);
    }
    return command;
}

// The command run through sh under a limit of open files; as it was when limit is 0.
std::vector<std::string> UnderLimit(std::vector<std::string> command, int limit) {
    if (limit > 0 && !command.empty()) {
        command.insert(command.begin(),
                       {"/bin/sh", "-c", "ulimit -n " + std::to_string(limit) + " && exec \"$0\" \"$@\""});
    }
    return command;
}

// Runs command until it ends (at most kRunLimitMs).
StatusRun Run(const std::vector<std::string>& command, const std::string& errorPath) {
    StatusRun run;
    CChildProcess process;
    const auto start = std::chrono::steady_clock::now();
    if (command.empty() || !process.Start(command, errorPath)) {
        return run;
    }
    while (std::optional<std::string> line = process.ReadLine(kRunLimitMs)) {
        run.lines.push_back(*line);
    }
    run.exitStatus = process.Finish(kRunLimitMs);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}

} // namespace

StatusRun RunStatus(const std::vector<std::string>& arguments, const std::string& errorPath,
                    int descriptorLimit) {
    return Run(UnderLimit(CommandLine(arguments), descriptorLimit), errorPath);
}

StatusRun RunStatusRedirected(const std::string& redirection, const std::vector<std::string>& arguments,
                              const std::string& errorPath) {
    std::vector<std::string> command = CommandLine(arguments);
    if (command.empty()) {
        return {};
    }
    // The program's own status goes out on descriptor 3, the shell's stdout, past the redirection.
    const std::string script = "{ { \"$0\" \"$@\"; echo $? >&3; } " + redirection + "; } 3>&1";
    command.insert(command.begin(), {"/bin/sh", "-c", script});
    return Run(command, errorPath);
}

bool StartStatus(CChildProcess& process, const std::vector<std::string>& arguments, int descriptorLimit) {
    const std::vector<std::string> command = UnderLimit(CommandLine(arguments), descriptorLimit);
    return !command.empty() && process.Start(command);
}
