// How long the window takes from the click on Connect to its first UTC time line, against the
// simulated device on loopback. The link's pacing (one command a second) puts the floor at 2 s on the
// shell port (version, then getdate); the telnet link needs two more paced sends (user name and
// password) and reports ready at its login prompt, so the time depends on which link wins the race.
#include "BenchAddresses.h"
#include "BenchSim.h"
#include "BenchWindow.h"
#include "EventWait.h"
#include "LatencyRuns.h"
#include "OffscreenEnvironment.h"

#include "runtime/Networking.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

namespace {

constexpr int kRuns = 5;
constexpr int kTimeLineLimitMs = 10000;
constexpr int kDisconnectLimitMs = 5000;
// Lets the simulated device see the previous link close before the next run connects.
constexpr int kPauseMs = 200;

// Times Connect to the first UTC line; the counter telnet_won is the share of runs the port-23 link won.
void MeasureConnect(benchmark::State& state, CBenchWindow& window) {
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool shown = window.ClickConnectButton() &&
                           WaitForCondition([&] { return window.ShowsUtcTime(); }, kTimeLineLimitMs);
        const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
        const bool telnetWon = &window.Dialog().Logic().ActiveLink() == &window.Dialog().Logic().TelnetLink();
        const bool reset = window.ClickConnectButton() &&
                           WaitForCondition([&] { return window.IsDisconnected(); }, kDisconnectLimitMs);
        if (!shown || !reset) {
            state.SkipWithError(shown ? "the window did not disconnect" : "no UTC time line appeared");
            return;
        }
        state.SetIterationTime(taken.count());
        state.counters["telnet_won"] = telnetWon ? 1.0 : 0.0;
        RunEventsFor(kPauseMs);
    }
}

} // namespace

int main(int argc, char** argv) {
    COffscreenEnvironment offscreen;
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    CSimProcess bothPorts;
    CSimProcess shellOnly;
    if (!StartNetworking() || !StartBenchSim(bothPorts, kConnectAddress) ||
        !StartBenchSim(shellOnly, kConnectShellOnlyAddress, SimPorts::ShellOnly)) {
        return 1;
    }
    std::printf("Connect to the first UTC time line: simulated device with both ports on %s, with the shell "
                "port only on %s\n",
                kConnectAddress, kConnectShellOnlyAddress);
    CBenchWindow raceWindow(kConnectAddress);
    CBenchWindow shellWindow(kConnectShellOnlyAddress);
    AsLatencyRuns(benchmark::RegisterBenchmark(
                      "connect_to_first_utc_line/both_ports",
                      [&raceWindow](benchmark::State& state) { MeasureConnect(state, raceWindow); }),
                  kRuns);
    AsLatencyRuns(benchmark::RegisterBenchmark(
                      "connect_to_first_utc_line/shell_port_only",
                      [&shellWindow](benchmark::State& state) { MeasureConnect(state, shellWindow); }),
                  kRuns);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
