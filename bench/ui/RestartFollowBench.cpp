// How long the window takes from Yes on an address change to being connected at the new address,
// against the simulated device that comes back there after a 5 s downtime. The target is the downtime
// plus at most 3 s: the change waits up to one pacing interval (1 s) before it is typed, and the window
// tries the new address every 2 s.
#include "BenchAddresses.h"
#include "BenchSim.h"
#include "BenchWindow.h"
#include "EventWait.h"
#include "LatencyRuns.h"
#include "OffscreenEnvironment.h"

#include "resources/resource.h"
#include "runtime/Networking.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRuns = 5;
constexpr const char* kDowntimeSeconds = "5";
constexpr int kConnectLimitMs = 15000;
constexpr int kFollowLimitMs = 30000;
constexpr int kDisconnectLimitMs = 5000;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool PanelEnabled(const CBenchWindow& window) {
    return window.ShowsUtcTime() && window.Dialog().Controls().Item(IDC_APPLY)->isEnabled();
}

// Connects where the device is, sends it to the other address and times it; the device is disconnected
// again at the end, and the next run moves it back. The counter utc_line_s is the time to the first UTC
// line at the new address.
void MeasureFollow(benchmark::State& state, CBenchWindow& window, std::pair<const char*, const char*>& move) {
    for (auto _ : state) {
        if (!window.ClickConnectButton() ||
            !WaitForCondition([&] { return PanelEnabled(window); }, kConnectLimitMs)) {
            state.SkipWithError("no device time before the change");
            return;
        }
        const int boxesBefore = window.MessageCount();
        const Clock::time_point yes = Clock::now();
        bool waited = false;
        const bool followed =
            window.ApplyAddressChange(move.second, "255.0.0.0", "127.0.0.1") &&
            WaitForCondition(
                [&] {
                    waited = waited || window.Dialog().Logic().RestartFollowPhase() == RestartPhase::Waiting;
                    return waited && window.Dialog().Logic().Phase() == ConnectionPhase::Connected;
                },
                kFollowLimitMs);
        const double connected = SecondsSince(yes);
        const bool shown =
            followed && WaitForCondition([&] { return window.ShowsUtcTime(); }, kConnectLimitMs);
        const double utcLine = SecondsSince(yes);
        const bool reset = window.ClickConnectButton() &&
                           WaitForCondition([&] { return window.IsDisconnected(); }, kDisconnectLimitMs);
        // The only box is the question itself.
        if (!shown || !reset || window.AddressBoxText() != move.second ||
            window.MessageCount() != boxesBefore + 1) {
            state.SkipWithError("the window did not end connected at the new address without a message");
            return;
        }
        state.SetIterationTime(connected);
        state.counters["utc_line_s"] = utcLine;
        std::swap(move.first, move.second);
    }
}

} // namespace

int main(int argc, char** argv) {
    COffscreenEnvironment offscreen;
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    CSimProcess sim;
    if (!StartNetworking() || !StartBenchSim(sim, kRestartAddressA, SimPorts::ShellAndTelnet,
                                             {"--follow-address", "--downtime", kDowntimeSeconds})) {
        return 1;
    }
    std::printf("Yes on an address change to connected at the new address: simulated device moving between "
                "%s and %s with a %s s downtime (target: the downtime plus at most 3 s)\n",
                kRestartAddressA, kRestartAddressB, kDowntimeSeconds);
    CBenchWindow window(kRestartAddressA);
    std::pair<const char*, const char*> move{kRestartAddressA, kRestartAddressB};
    AsLatencyRuns(
        benchmark::RegisterBenchmark("yes_to_connected_at_new_address",
                                     [&](benchmark::State& state) { MeasureFollow(state, window, move); }),
        kRuns);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
