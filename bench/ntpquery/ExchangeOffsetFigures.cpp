// The NTP offset and delay the shared exchange measures for one simulated device checked alone, and for the
// same device checked among 155 at once over the one socket (one vantrex-sim on 127.0.239.1 to
// 127.0.239.155, loopback only). The simulated devices keep this PC's time, so an offset that is not near 0
// is time the exchange added itself: an answer stamped later than it arrived. Prints each run's figures,
// then the medians. Plain program; Linux, as the test support that starts the simulator.
// Usage: bench_ntpquery_exchange_offset [RUNS]   (default 5)
#include "ntpquery/NtpExchange.h"
#include "tests/support/SimProcess.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = CNtpExchange::Clock;

constexpr int kDevices = 155;
constexpr std::uint32_t kFirstAddress = 0x7F00EF01; // 127.0.239.1
constexpr const char* kRange = "127.0.239.1-127.0.239.155";
constexpr unsigned short kNtpPort = 12239;
constexpr auto kCheckTime = std::chrono::seconds(10);
constexpr int kMostRuns = 100;
// A fleet's worth of checks in one burst, many to each device.
constexpr int kManyChecks = 10000;

struct Figures {
    double wallMs = 0; // from the first request to the last result
    double offsetMs = 0;
    double delayMs = 0;
    double worstOffsetMs = 0; // of every device of the run
    int answered = 0;
    std::map<std::string, int> failures; // how many checks ended with each
};

// The address of check `index` of `count`: every device in turn, the device of the figures last, as the
// status program's run asks the last of its list.
std::uint32_t AddressOf(int index, int count) {
    return kFirstAddress + static_cast<std::uint32_t>((index + kDevices - count % kDevices) % kDevices);
}

// Starts `count` checks at once, over the devices in turn, and waits for every result; the figures of the
// last check.
Figures CheckAtOnce(CEventLoop& loop, int count) {
    CNtpExchange exchange(loop);
    std::vector<NtpResult> results(static_cast<std::size_t>(count));
    int ended = 0;
    const Clock::time_point now = Clock::now();
    for (int device = 0; device < count; ++device) {
        exchange.Start(AddressOf(device, count), kNtpPort, now + kCheckTime,
                       [&results, &ended, device](const NtpResult& r) {
                           results[static_cast<std::size_t>(device)] = r;
                           ++ended;
                       });
    }
    const Clock::time_point limit = now + kCheckTime + std::chrono::seconds(1);
    while (ended < count && Clock::now() < limit && loop.Wait(limit) >= 0) {
    }
    Figures figures;
    figures.wallMs = std::chrono::duration<double, std::milli>(Clock::now() - now).count();
    const NtpResult& last = results.back();
    figures.offsetMs = last.answered ? last.offsetSeconds * 1000 : NAN;
    figures.delayMs = last.answered ? last.delaySeconds * 1000 : NAN;
    for (const NtpResult& result : results) {
        if (!result.answered) {
            ++figures.failures[result.failure];
        } else {
            ++figures.answered;
            figures.worstOffsetMs = std::max(figures.worstOffsetMs, std::abs(result.offsetSeconds) * 1000);
        }
    }
    return figures;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? NAN : values[values.size() / 2];
}

void Print(const char* label, const Figures& f) {
    std::printf("%-12s offset %8.3f ms  delay %7.3f ms  (%d answered in %.1f ms; worst |offset| %.3f ms)\n",
                label, f.offsetMs, f.delayMs, f.answered, f.wallMs, f.worstOffsetMs);
    for (const auto& [failure, count] : f.failures) {
        std::printf("             %d: %s\n", count, failure.c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, kMostRuns) : 5;
    CSimProcess sim;
    if (!sim.Start({"--address", kRange, "--ntp-port", std::to_string(kNtpPort)})) {
        std::fprintf(stderr, "vantrex-sim did not start: %s\n", sim.ErrorOutput().c_str());
        return 1;
    }
    const std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
    if (!loop) {
        std::fprintf(stderr, "no event loop\n");
        return 1;
    }
    std::vector<double> alone;
    std::vector<double> among;
    for (int run = 0; run < runs; ++run) {
        const Figures one = CheckAtOnce(*loop, 1);
        const Figures all = CheckAtOnce(*loop, kDevices);
        Print("alone", one);
        Print("among 155", all);
        alone.push_back(one.offsetMs);
        among.push_back(all.offsetMs);
    }
    const double medianAlone = Median(alone);
    const double medianAmong = Median(among);
    Print("10,000 checks", CheckAtOnce(*loop, kManyChecks));
    std::printf("median offset: alone %.3f ms, among %d %.3f ms, difference %.3f ms (%s)\n", medianAlone,
                kDevices, medianAmong, medianAmong - medianAlone,
                std::abs(medianAmong - medianAlone) <= 5 ? "within 5 ms" : "beyond 5 ms");
    return 0;
}
