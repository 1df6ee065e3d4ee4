// vantrex-sim: a simulated VANTREX time server for tests, benchmarks and the demo.

#include "SimLog.h"
#include "SimOptions.h"
#include "SimServer.h"
#include "StopSignals.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kUsageError = 2;

} // namespace

int main(int argc, char** argv) {
    SimOptions options;
    std::string error;
    switch (ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    case OptionsOutcome::Help:
        std::fputs(SimUsage().c_str(), stdout);
        return 0;
    case OptionsOutcome::Invalid:
        std::fprintf(stderr, "vantrex-sim: %s\n\n%s", error.c_str(), SimUsage().c_str());
        return kUsageError;
    case OptionsOutcome::Run:
        break;
    }
    // A reader of the ready line may go away first; that must not end the device.
    std::signal(SIGPIPE, SIG_IGN);
    CSimLog log;
    CStopSignals signals;
    if ((!options.logPath.empty() && !log.Open(options.logPath, error)) || !signals.Install(error)) {
        std::fprintf(stderr, "vantrex-sim: %s\n", error.c_str());
        return kUsageError;
    }
    CSimServer server(options, log);
    return server.Run(signals.Fd());
}
