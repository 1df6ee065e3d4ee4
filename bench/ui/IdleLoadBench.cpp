// What the whole program costs while it shows a connected device: the real vantrex-config, offscreen,
// started with "ADDRESS --connect" against the simulated device, measured from outside through /proc
// over 30 s (CPU of all its threads as a share of one core, resident memory).
#include "BenchAddresses.h"
#include "BenchSim.h"
#include "OffscreenEnvironment.h"
#include "ProcessFigures.h"
#include "Samples.h"

#include "tests/support/ChildProcess.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kConnectLimitMs = 15000;
// The first seconds after connecting (version, first readings) are not the steady state measured.
constexpr auto kSettle = std::chrono::seconds(3);
constexpr auto kMeasured = std::chrono::seconds(30);
constexpr auto kAliveCheck = std::chrono::milliseconds(500);

// Waits for the measured span, checking that the program keeps running; false when it ended.
bool StayRunning(CChildProcess& program, std::chrono::seconds span) {
    const Clock::time_point end = Clock::now() + span;
    while (Clock::now() < end) {
        if (!program.IsRunning()) {
            return false;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(kAliveCheck, end - Clock::now()));
    }
    return program.IsRunning();
}

// What the device received: how many getdate commands, and on which port the last one came.
struct PollingSeen {
    std::size_t getdates = 0;
    unsigned short port = 0;
};

PollingSeen ReadPolling(const CSimProcess& sim) {
    PollingSeen seen;
    for (const SimLogLine& line : sim.ReadLog().lines) {
        if (line.text == "getdate") {
            ++seen.getdates;
            seen.port = line.port;
        }
    }
    return seen;
}

void PrintFigures(const ProcessFigures& before, const ProcessFigures& after, double wallSeconds,
                  const PollingSeen& polling) {
    PrintValueHeading("5. The whole program while connected (vantrex-config, offscreen, from /proc)");
    PrintValueRow("CPU, all threads, share of one core",
                  (after.cpuSeconds - before.cpuSeconds) / wallSeconds * 100.0, "%", "< 1 %");
    PrintValueRow("measured span", wallSeconds, "s", "30 s");
    PrintValueRow("resident memory at the end (VmRSS)", static_cast<double>(after.rssKb) / 1024.0, "MB",
                  "< 80 MB");
    PrintValueRow("peak resident memory (VmHWM)", static_cast<double>(after.hwmKb) / 1024.0, "MB", "< 80 MB");
    PrintValueRow("threads at the end", after.threads, "", "");
    PrintValueRow("open descriptors at the end", after.descriptors, "", "");
    PrintValueRow("getdate commands the device received", static_cast<double>(polling.getdates), "",
                  "about 15");
    PrintValueRow("port of the link that won", polling.port, "", "");
}

} // namespace

int main() {
    COffscreenEnvironment offscreen;
    CSimProcess sim;
    if (!StartBenchSim(sim, kIdleLoadAddress)) {
        return 1;
    }
    CChildProcess program;
    if (!program.Start({VANTREX_CONFIG_PATH, kIdleLoadAddress, "--connect"}) ||
        !sim.WaitForLine("getdate", kConnectLimitMs)) {
        std::fprintf(stderr, "vantrex-config did not reach the simulated device (exit status %d)\n",
                     program.Stop());
        return 1;
    }
    std::this_thread::sleep_for(kSettle);
    const std::string pid = std::to_string(program.Pid());
    const auto before = ReadProcessFigures(pid);
    const std::size_t getdatesBefore = ReadPolling(sim).getdates;
    const Clock::time_point start = Clock::now();
    const bool ran = StayRunning(program, kMeasured);
    const auto after = ReadProcessFigures(pid);
    const double wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    PollingSeen polling = ReadPolling(sim);
    polling.getdates -= getdatesBefore;
    const int exitStatus = program.Stop();
    if (!ran || !before || !after) {
        std::fprintf(stderr, "vantrex-config ended during the measurement (exit status %d)\n", exitStatus);
        return 1;
    }
    PrintFigures(*before, *after, wallSeconds, polling);
    return 0;
}
