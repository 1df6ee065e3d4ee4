// Start of the program to its first painted window, offscreen: runs the start probe as a new process
// ten times and takes the time from just before the process is created until the probe's window
// receives its first paint event (the steady clock is the same in both processes).
#include "OffscreenEnvironment.h"
#include "Samples.h"

#include "tests/support/ChildProcess.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 10;
constexpr int kPaintLimitMs = 20000;
constexpr int kExitLimitMs = 5000;

long long SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The probe's two time stamps: entry of main and first paint.
struct ProbeTimes {
    long long mainNs = 0;
    long long paintNs = 0;
};

// Reads the probe's line "main NS paint NS" into times; false when it has another shape.
bool ReadProbeTimes(const std::string& line, ProbeTimes& times) {
    std::istringstream words(line);
    std::string mainWord, paintWord;
    return (words >> mainWord >> times.mainNs >> paintWord >> times.paintNs) && mainWord == "main" &&
           paintWord == "paint";
}

} // namespace

int main() {
    COffscreenEnvironment offscreen;
    std::vector<double> toPaintMs, toMainMs, mainToPaintMs;
    for (int run = 0; run < kRuns; ++run) {
        CChildProcess probe;
        const long long spawnNs = SteadyNs();
        if (!probe.Start({VANTREX_STARTUP_PROBE_PATH})) {
            std::fprintf(stderr, "the start probe could not be started\n");
            return 1;
        }
        const auto line = probe.ReadLine(kPaintLimitMs);
        ProbeTimes times;
        const bool painted = line && ReadProbeTimes(*line, times);
        const int exitStatus = probe.Finish(kExitLimitMs);
        if (!painted || exitStatus != 0) {
            std::fprintf(stderr, "the start probe painted no window (exit status %d)\n", exitStatus);
            return 1;
        }
        toPaintMs.push_back(static_cast<double>(times.paintNs - spawnNs) / 1e6);
        toMainMs.push_back(static_cast<double>(times.mainNs - spawnNs) / 1e6);
        mainToPaintMs.push_back(static_cast<double>(times.paintNs - times.mainNs) / 1e6);
    }
    PrintSummaryHeading(
        "2. Start of the program to the first paint of its window (offscreen, new process each run)");
    PrintSummaryRow("process start -> first paint event", Summarise(toPaintMs), "ms", "report");
    PrintSummaryRow("  of which: process start -> main", Summarise(toMainMs), "ms", "");
    PrintSummaryRow("  of which: main -> first paint event", Summarise(mainToPaintMs), "ms", "");
    return 0;
}
