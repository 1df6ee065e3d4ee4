// How long the window takes to drop a connection attempt to an address that never answers: from the
// click on "Cancel" until the button reads "Connect" again and the address box is enabled.
#include "BenchAddresses.h"
#include "BenchWindow.h"
#include "EventWait.h"
#include "LatencyRuns.h"
#include "OffscreenEnvironment.h"

#include "link/LinkState.h"
#include "resources/StringTable.h"
#include "resources/resource.h"
#include "runtime/Networking.h"
#include "tests/link/UnansweringListener.h"
#include "tests/support/SimProcess.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

constexpr int kRuns = 20;
constexpr int kReachLimitMs = 5000;
// Long enough for both link threads to sit in their connect wait when "Cancel" is clicked.
constexpr int kSettleMs = 100;

bool BothLinksStarting(const CBenchWindow& window) {
    return window.Dialog().Logic().ShellLink().Worker().GetState() == StateStarting &&
           window.Dialog().Logic().TelnetLink().Worker().GetState() != StateReceiveFailed;
}

// Clicks Connect and waits until both links are connecting (the telnet link may already have been refused).
bool StartAttempt(CBenchWindow& window) {
    if (!window.ClickConnectButton() ||
        !WaitForCondition([&] { return BothLinksStarting(window); }, kReachLimitMs)) {
        return false;
    }
    RunEventsFor(kSettleMs);
    return window.Dialog().Logic().Phase() == ConnectionPhase::Connecting &&
           window.ConnectButtonText() == LoadStringResource(IDS_CANCEL);
}

void MeasureCancel(benchmark::State& state, CBenchWindow& window) {
    for (auto _ : state) {
        if (!StartAttempt(window)) {
            state.SkipWithError("the window did not reach its connecting state");
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        const bool reset = window.ClickConnectButton() &&
                           WaitForCondition([&] { return window.IsDisconnected(); }, kReachLimitMs);
        const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
        if (!reset) {
            state.SkipWithError("the window did not return to its disconnected state");
            return;
        }
        state.SetIterationTime(taken.count());
    }
}

} // namespace

int main(int argc, char** argv) {
    COffscreenEnvironment offscreen;
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!StartNetworking()) {
        return 1;
    }
    // Port 5316 never answers; port 23 never answers either when this process may bind it, otherwise
    // nothing listens there and the telnet link is refused at once.
    CUnansweringListener shell(kCancelAddress, kShellPort);
    std::unique_ptr<CUnansweringListener> telnet;
    if (CanBindTelnetPort()) {
        telnet = std::make_unique<CUnansweringListener>(kCancelAddress, kTelnetPort);
    }
    if (!shell.IsReady() || (telnet && !telnet->IsReady())) {
        std::fprintf(stderr, "no unanswering listener on %s\n", kCancelAddress);
        return 1;
    }
    std::printf("Cancel while connecting to %s (port 5316 unanswering, port 23 %s)\n", kCancelAddress,
                telnet ? "unanswering" : "refused");
    CBenchWindow window(kCancelAddress);
    AsLatencyRuns(
        benchmark::RegisterBenchmark("cancel_to_disconnected",
                                     [&window](benchmark::State& state) { MeasureCancel(state, window); }),
        kRuns);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
