// How late the window shows each new second of the device's time. The simulated device runs on real UTC
// time, so second S of the device begins at the wall clock's boundary S.000; the status line is read
// every 10 ms and each change of its second is compared with that boundary. Each link is measured on
// its own: they add different advances (how late the device's answer is taken to arrive) to the time.
#include "BenchAddresses.h"
#include "BenchSim.h"
#include "BenchWindow.h"
#include "EventWait.h"
#include "OffscreenEnvironment.h"
#include "Samples.h"
#include "UtcLine.h"

#include "link/DeviceDialect.h"
#include "runtime/Networking.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kSamplePeriodMs = 10;
constexpr int kSamplingMs = 10000;
constexpr int kTimeLineLimitMs = 10000;
constexpr int kDisconnectLimitMs = 5000;
constexpr double kMicrosPerMs = 1000.0;

// One link measured against a simulated device that offers only that link's port.
struct LagCase {
    const char* name;
    const char* address;
    SimPorts ports;
    unsigned short port;
};

constexpr LagCase kCases[] = {
    {"port 5316", kSecondLagAddress, SimPorts::ShellOnly, kShellPort},
    {"port 23", kSecondLagTelnetAddress, SimPorts::TelnetOnly, kTelnetPort},
};

double WallClockMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

double SteadyMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// What the sampling saw: the lag of each change of the shown second, and how regular the sampling was.
struct SecondChanges {
    std::vector<double> lagsMs;
    int skippedSeconds = 0; // changes by more than one second
    int samples = 0;
    double longestGapMs = 0.0; // between two samples
};

SecondChanges SampleShownSeconds(const CBenchWindow& window) {
    SecondChanges changes;
    std::optional<std::int64_t> previous;
    double previousSampleMs = SteadyMs();
    RunEventsUntil(
        [&] {
            const double nowMs = SteadyMs();
            changes.longestGapMs = std::max(changes.longestGapMs, nowMs - previousSampleMs);
            previousSampleMs = nowMs;
            ++changes.samples;
            const auto shown = ShownUtcSeconds(window.StatusLine().toStdString());
            if (shown && previous && *shown != *previous) {
                changes.lagsMs.push_back(WallClockMs() - static_cast<double>(*shown) * 1000.0);
                changes.skippedSeconds += *shown - *previous != 1 ? 1 : 0;
            }
            previous = shown;
            return false;
        },
        kSamplePeriodMs, kSamplingMs);
    return changes;
}

// Connects, samples for 10 s and disconnects; nullopt when the connection did not last.
std::optional<SecondChanges> MeasureLink(const LagCase& lagCase) {
    CSimProcess sim;
    if (!StartBenchSim(sim, lagCase.address, lagCase.ports)) {
        return std::nullopt;
    }
    CBenchWindow window(lagCase.address);
    if (!window.ClickConnectButton() ||
        !WaitForCondition([&] { return window.ShowsUtcTime(); }, kTimeLineLimitMs)) {
        std::fprintf(stderr, "%s: no UTC time line appeared\n", lagCase.name);
        return std::nullopt;
    }
    const SecondChanges changes = SampleShownSeconds(window);
    const bool lasted = window.ShowsUtcTime() && !changes.lagsMs.empty();
    const bool reset = window.ClickConnectButton() &&
                       WaitForCondition([&] { return window.IsDisconnected(); }, kDisconnectLimitMs);
    if (!lasted || !reset) {
        std::fprintf(stderr, "%s: the connection did not last through the sampling\n", lagCase.name);
        return std::nullopt;
    }
    return changes;
}

void PrintLags(const LagCase& lagCase, const SecondChanges& changes) {
    const double advanceMs = static_cast<double>(DialectForPort(lagCase.port).microsAdvance) / kMicrosPerMs;
    std::vector<double> behindOwnClock;
    for (double lag : changes.lagsMs) {
        behindOwnClock.push_back(lag + advanceMs);
    }
    const std::string name = lagCase.name;
    PrintSummaryRow((name + ": after the wall clock's boundary").c_str(), Summarise(changes.lagsMs), "ms",
                    "max <= 300 ms");
    PrintSummaryRow((name + ": after the link's own boundary").c_str(), Summarise(behindOwnClock), "ms",
                    "max <= 250 ms");
}

void PrintSampling(const LagCase& lagCase, const SecondChanges& changes) {
    const std::string name = lagCase.name;
    PrintValueRow((name + ": status line samples").c_str(), changes.samples, "", "");
    PrintValueRow((name + ": longest gap between two samples").c_str(), changes.longestGapMs, "ms", "10 ms");
    PrintValueRow((name + ": changes by more than one second").c_str(), changes.skippedSeconds, "", "0");
}

} // namespace

int main(int argc, char** argv) {
    COffscreenEnvironment offscreen;
    QApplication application(argc, argv);
    if (!StartNetworking()) {
        return 1;
    }
    std::vector<std::pair<const LagCase*, SecondChanges>> measured;
    for (const LagCase& lagCase : kCases) {
        if (lagCase.ports == SimPorts::TelnetOnly && !CanBindTelnetPort()) {
            std::printf("note: port 23 needs root; the port-23 link is not measured\n");
            continue;
        }
        const std::optional<SecondChanges> changes = MeasureLink(lagCase);
        if (!changes) {
            return 1;
        }
        measured.emplace_back(&lagCase, *changes);
    }
    PrintSummaryHeading(
        "4. Lag of the shown UTC second (device on real UTC time; sampled every 10 ms for 10 s)");
    for (const auto& [lagCase, changes] : measured) {
        PrintLags(*lagCase, changes);
    }
    PrintValueHeading("   the sampling itself");
    for (const auto& [lagCase, changes] : measured) {
        PrintSampling(*lagCase, changes);
    }
    return 0;
}
