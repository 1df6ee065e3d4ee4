// Figures of the platform layer that differ between backends: how soon a waiting thread wakes after Set,
// how soon Stop ends each of the link thread's waits, and the link thread's CPU while it polls a device.
// Prints one line per figure; plain program, so that it builds wherever the runtime does.
#include "link/DeviceLink.h"
#include "runtime/Networking.h"
#include "runtime/WaitSet.h"
#include "tests/link/LinkWaits.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/ProcessCpu.h"
#include "tests/support/SimProcess.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 50;

void PrintFigure(const char* name, std::vector<double> samplesMs) {
    if (samplesMs.empty()) {
        std::printf("%-34s no samples\n", name);
        return;
    }
    std::sort(samplesMs.begin(), samplesMs.end());
    std::printf("%-34s median %8.3f ms  max %8.3f ms  (%zu rounds)\n", name, samplesMs[samplesMs.size() / 2],
                samplesMs.back(), samplesMs.size());
}

std::vector<double> WakeUpAfterSet() {
    std::vector<double> samples;
    for (int round = 0; round < kRounds; ++round) {
        CSignal stop;
        CSignal event;
        Clock::time_point woke;
        std::thread waiter([&] {
            (void)WaitForAny(stop, event, 5000);
            woke = Clock::now();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const Clock::time_point set = Clock::now();
        event.Set();
        waiter.join();
        samples.push_back(std::chrono::duration<double, std::milli>(woke - set).count());
    }
    return samples;
}

// Stop latency with the link brought into one wait by reach (false: it did not get there).
std::vector<double> StopFrom(const std::function<bool(CDeviceLink&)>& reach) {
    std::vector<double> samples;
    CDeviceLink link("");
    for (int round = 0; round < kRounds / 5; ++round) {
        if (!reach(link)) {
            link.Stop();
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // blocked in the wait by now
        samples.push_back(MeasureMs([&] { link.Stop(); }));
    }
    return samples;
}

bool StartAt(CDeviceLink& link, const char* address) {
    link.SetTarget(address, kShellPort);
    return link.Start();
}

void StopFigures() {
    CLoopbackListener unanswering("127.0.6.1", kShellPort, 0);
    if (unanswering.IsListening() && unanswering.FillAcceptQueue()) {
        PrintFigure("stop from the connect wait", StopFrom([](CDeviceLink& link) {
                        return StartAt(link, "127.0.6.1") && WaitForState(link, StateStarting, 2000);
                    }));
    }
    // The device's side: accepts every link and greets it with a prompt (the pacing wait follows) or
    // with nothing (the wait for the device's first prompt).
    for (const bool greet : {true, false}) {
        const char* address = greet ? "127.0.6.2" : "127.0.6.3";
        CLoopbackListener device(address, kShellPort);
        std::vector<PeerSocket> accepted;
        PrintFigure(greet ? "stop from the pacing wait" : "stop from the wait for the device",
                    StopFrom([&](CDeviceLink& link) {
                        if (!StartAt(link, address)) {
                            return false;
                        }
                        const PeerSocket peer = device.Accept(2000);
                        accepted.push_back(peer);
                        return peer != kNoPeer &&
                               (!greet || (SendAll(peer, "# ") && WaitForState(link, StateReady, 2000)));
                    }));
        for (const PeerSocket peer : accepted) {
            CloseFd(peer);
        }
    }
}

void PollingCpu() {
    CSimProcess sim;
    if (!sim.Start({"--address", "127.0.6.4", "--telnet-port", "0"})) {
        std::printf("link thread CPU while polling: no simulated device at 127.0.6.4\n");
        return;
    }
    CDeviceLink link("");
    if (!StartAt(link, "127.0.6.4") || !WaitForState(link, StateReady, 5000)) {
        std::printf("link thread CPU while polling: the link did not connect\n");
        return;
    }
    const auto measured = std::chrono::seconds(20);
    const double before = ProcessCpuSeconds();
    std::this_thread::sleep_for(measured); // the link thread is the only one at work meanwhile
    const double used = ProcessCpuSeconds() - before;
    link.Stop();
    std::printf("%-34s %.3f %% of one core over %lld s (%zu lines received by the device)\n",
                "link thread CPU while polling", 100.0 * used / static_cast<double>(measured.count()),
                static_cast<long long>(measured.count()), sim.ReadLog().lines.size());
}

} // namespace

int main() {
    if (!StartNetworking()) {
        std::fprintf(stderr, "networking could not be started\n");
        return 1;
    }
    PrintFigure("wake-up after Set", WakeUpAfterSet());
    StopFigures();
    PollingCpu();
    return 0;
}
