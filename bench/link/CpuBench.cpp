// CPU time of a link thread that polls the simulated device at the normal pace for 30 s. Not part of
// the test suite: it takes half a minute.
#include "link/DeviceLink.h"
#include "tests/link/LinkWaits.h"
#include "tests/support/SimProcess.h"

#include <pthread.h>
#include <time.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

// A link whose thread publishes its CPU clock, so that another thread can read how busy it was.
class CMeteredLink : public CDeviceLink {
public:
    CMeteredLink() : CDeviceLink("") {}
    ~CMeteredLink() override { Stop(); }
    CMeteredLink(const CMeteredLink&) = delete;
    CMeteredLink& operator=(const CMeteredLink&) = delete;

    // CPU seconds the link thread has used so far; negative before its thread runs.
    double CpuSeconds() const {
        if (!m_bClockKnown.load()) {
            return -1.0;
        }
        timespec used{};
        if (clock_gettime(m_clock.load(), &used) != 0) {
            return -1.0;
        }
        return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
    }

protected:
    void Run() override {
        clockid_t clock{};
        if (pthread_getcpuclockid(pthread_self(), &clock) == 0) {
            m_clock.store(clock);
            m_bClockKnown.store(true);
        }
        CDeviceLink::Run();
        m_bClockKnown.store(false); // the clock ends with the thread
    }

private:
    std::atomic<clockid_t> m_clock{};
    std::atomic<bool> m_bClockKnown{false};
};

void BM_PollingCpuShare(benchmark::State& state) {
    const auto measured = std::chrono::seconds(30);
    for (auto _ : state) {
        CSimProcess sim;
        if (!sim.Start({"--address", "127.0.5.10", "--telnet-port", "0"})) {
            state.SkipWithError("the simulated device did not start");
            return;
        }
        CMeteredLink link;
        link.SetTarget("127.0.5.10", kShellPort);
        if (!link.Start() || !WaitUntil([&] { return link.CurrentDeviceTime() != 0; }, 10000)) {
            state.SkipWithError("the link did not reach the device");
            return;
        }
        const double before = link.CpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(measured);
        const double used = link.CpuSeconds() - before;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const bool stillPolling = link.GetState() == StateReady;
        link.Stop();
        if (!stillPolling) {
            state.SkipWithError("the link stopped polling");
            return;
        }
        state.SetIterationTime(wall);
        state.counters["cpu_ms"] = used * 1000.0;
        state.counters["cpu_share_percent"] = 100.0 * used / wall;
        state.counters["commands"] = static_cast<double>(sim.ReadLog().lines.size());
    }
}
BENCHMARK(BM_PollingCpuShare)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
