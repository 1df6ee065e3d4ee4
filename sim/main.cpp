// vantrex-sim: a simulated VANTREX time server for tests, benchmarks and the demo.

#include "ParentWatch.h"
#include "SimLog.h"
#include "SimOptions.h"
#include "SimServer.h"

#include "runtime/TerminationRequest.h"
#include "runtime/UserRequest.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kUsageError = 2;
constexpr int kParentGone = 0; // what the parent's SIGTERM would have given

// With --exit-with-parent, ties the sim to its parent; the exit status when it must not run on.
std::optional<int> TieToParentIfAsked(const SimOptions& options, pid_t parentAtStart) {
    if (!options.exitWithParent) {
        return std::nullopt;
    }
    const pid_t parent = options.parentPid != 0 ? static_cast<pid_t>(options.parentPid) : parentAtStart;
    std::string error;
    switch (TieToParent(parent, error)) {
    case ParentTie::Tied:
        return std::nullopt;
    case ParentTie::ParentEnded:
        std::fprintf(stderr, "vantrex-sim: the parent process %d has ended\n", static_cast<int>(parent));
        return kParentGone;
    case ParentTie::Failed:
        break;
    }
    std::fprintf(stderr, "vantrex-sim: %s\n", error.c_str());
    return kUsageError;
}

} // namespace

int main(int argc, char** argv) {
    // Read first, before the parent has had much time to end and hand this process to another.
    const pid_t parentAtStart = getppid();
    SimOptions options;
    std::string error;
    switch (ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    case OptionsOutcome::Help:
        std::fputs(SimUsage().c_str(), stdout);
        return 0;
    case OptionsOutcome::Version:
        std::printf("vantrex-sim %s\n", VANTREX_VERSION);
        return 0;
    case OptionsOutcome::Invalid:
        std::fprintf(stderr, "vantrex-sim: %s\n\n%s", error.c_str(), SimUsage().c_str());
        return kUsageError;
    case OptionsOutcome::Run:
        break;
    }
    if (const std::optional<int> ended = TieToParentIfAsked(options, parentAtStart)) {
        return *ended;
    }
    // A reader of the ready line may go away first; that must not end the device.
    std::signal(SIGPIPE, SIG_IGN);
    CSimLog log;
    if (!options.logPath.empty() && !log.Open(options.logPath, error)) {
        std::fprintf(stderr, "vantrex-sim: %s\n", error.c_str());
        return kUsageError;
    }
    CSignal stop;
    CSignal gpsToggle;
    if (!SetOnTerminationRequest(stop) || !SetOnUserRequest(gpsToggle)) {
        std::fprintf(stderr, "vantrex-sim: cannot take the stop and GPS signals\n");
        return kUsageError;
    }
    CSimServer server(options, log);
    return server.Run(stop, gpsToggle);
}
