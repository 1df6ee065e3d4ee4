// Whether connecting and disconnecting leaks: 200 cycles against the simulated device, with this
// process's resident memory, threads and open descriptors before and after.
#include "BenchAddresses.h"
#include "BenchSim.h"
#include "BenchWindow.h"
#include "EventWait.h"
#include "OffscreenEnvironment.h"
#include "ProcessFigures.h"
#include "Samples.h"

#include "runtime/Networking.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr int kCycles = 200;
constexpr int kHalfway = kCycles / 2;
constexpr int kStepLimitMs = 5000;
// Lets threads end, sockets close and deferred deletions run before the figures are read.
constexpr int kSettleMs = 1000;

// Connect until connected, then Disconnect until disconnected; returns its time in ms, nullopt when
// a step did not complete in time.
std::optional<double> RunCycle(CBenchWindow& window) {
    const auto start = std::chrono::steady_clock::now();
    if (!window.ClickConnectButton() ||
        !WaitForCondition([&] { return window.IsConnected(); }, kStepLimitMs) ||
        !window.ClickConnectButton() ||
        !WaitForCondition([&] { return window.IsDisconnected(); }, kStepLimitMs)) {
        return std::nullopt;
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::optional<ProcessFigures> SettledFigures() {
    RunEventsFor(kSettleMs);
    return ReadProcessFigures("self");
}

void PrintFigureRow(const char* figure, double before, double halfway, double after, const char* unit) {
    std::printf("  %-32s %12.0f %12.0f %12.0f %+12.0f  %s\n", figure, before, halfway, after, after - before,
                unit);
}

void PrintFigures(const ProcessFigures& before, const ProcessFigures& halfway, const ProcessFigures& after) {
    std::printf(
        "\n6. This process over %d connect and disconnect cycles (figures read after %d ms of rest)\n",
        kCycles, kSettleMs);
    std::printf("  %-32s %12s %12s %12s %12s  %s\n", "figure", "before", "halfway", "after", "growth",
                "unit");
    PrintFigureRow("resident memory (VmRSS)", before.rssKb, halfway.rssKb, after.rssKb, "kB");
    PrintFigureRow("threads (/proc/self/task)", before.threads, halfway.threads, after.threads, "");
    PrintFigureRow("open descriptors (/proc/self/fd)", before.descriptors, halfway.descriptors,
                   after.descriptors, "");
}

} // namespace

int main(int argc, char** argv) {
    COffscreenEnvironment offscreen;
    QApplication application(argc, argv);
    CSimProcess sim;
    if (!StartNetworking() || !StartBenchSim(sim, kCycleAddress)) {
        return 1;
    }
    CBenchWindow window(kCycleAddress);
    // One cycle first, so that what is allocated once (fonts, caches, the first paint) is not counted.
    const std::optional<double> warmUp = RunCycle(window);
    const auto before = SettledFigures();
    std::vector<double> cycleMs;
    std::optional<ProcessFigures> halfway;
    for (int cycle = 1; cycle <= kCycles && warmUp; ++cycle) {
        const std::optional<double> taken = RunCycle(window);
        if (!taken) {
            std::fprintf(stderr, "cycle %d did not complete\n", cycle);
            return 1;
        }
        cycleMs.push_back(*taken);
        if (cycle == kHalfway) {
            halfway = SettledFigures();
        }
    }
    const auto after = SettledFigures();
    if (!warmUp || !before || !halfway || !after) {
        std::fprintf(stderr, "the cycles did not complete or /proc could not be read\n");
        return 1;
    }
    PrintFigures(*before, *halfway, *after);
    PrintSummaryHeading("   the cycles");
    PrintSummaryRow("one cycle (Connect .. disconnected)", Summarise(cycleMs), "ms", "");
    PrintValueHeading("   the window");
    PrintValueRow("message boxes the window asked for", window.MessageCount(), "", "0");
    return 0;
}
