// Figures of the search for devices on loopback: a /24 in 127.0.168.0/24 and a /22 in 127.0.172.0/22,
// each holding 20 simulated devices and 20 listeners that never speak, the rest empty. Prints the time
// of the whole search, the most descriptors the search held at once, and how soon Stop ends a search
// under way. Plain program; Linux (descriptors are counted in /proc/self/fd).
#include "discover/NetworkSearch.h"
#include "runtime/Networking.h"
#include "runtime/WaitSet.h"
#include "tests/support/LoopbackGuard.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/SimProcess.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDevices = 20;
constexpr int kSilent = 20;
// Far beyond the targets (5 s for a /24, 20 s for a /22): a search that takes longer has failed.
constexpr auto kSearchLimit = std::chrono::seconds(120);

std::size_t OpenDescriptors() {
    const std::filesystem::directory_iterator entries("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

// Counts the process's descriptors every few milliseconds while it lives and keeps the most.
class CDescriptorPeak {
public:
    CDescriptorPeak() : m_thread([this] { Sample(); }) {}
    ~CDescriptorPeak() {
        m_stop = true;
        m_thread.join();
    }
    CDescriptorPeak(const CDescriptorPeak&) = delete;
    CDescriptorPeak& operator=(const CDescriptorPeak&) = delete;

    std::size_t Peak() const { return m_peak.load(); }

private:
    void Sample() {
        while (!m_stop) {
            m_peak = std::max(m_peak.load(), OpenDescriptors());
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    std::atomic<bool> m_stop{false};
    std::atomic<std::size_t> m_peak{0};
    std::thread m_thread; // last: it starts once the members it uses exist
};

// The network's devices (one simulated device on kDevices addresses) and silent listeners.
struct Population {
    CSimProcess devices;
    std::vector<std::unique_ptr<CLoopbackListener>> silent;
};

// Starts the population on the addresses given; false when a part of it could not start.
bool StartPopulation(Population& population, const std::string& firstDevice, const std::string& lastDevice,
                     const std::string& silentPrefix, int firstSilentHost) {
    if (!population.devices.Start({"--address", firstDevice + "-" + lastDevice})) {
        std::fprintf(stderr, "the simulated devices did not start: %s\n",
                     population.devices.ErrorOutput().c_str());
        return false;
    }
    for (int host = firstSilentHost; host < firstSilentHost + kSilent; ++host) {
        const std::string address = silentPrefix + std::to_string(host);
        population.silent.push_back(std::make_unique<CLoopbackListener>(address.c_str(), kShellPort));
        if (!population.silent.back()->IsListening()) {
            std::fprintf(stderr, "no listener on %s\n", address.c_str());
            return false;
        }
    }
    return true;
}

SearchRange Range(const std::string& network) {
    std::string refusal;
    const std::optional<SearchRange> range =
        IsLoopbackNetwork(network) ? ParseSearchNetwork(network, refusal) : std::nullopt;
    return range.value_or(SearchRange{});
}

// Runs one whole search; prints its time, what it found and the descriptors it held at most.
bool MeasureSearch(const char* name, const std::string& network) {
    const SearchRange range = Range(network);
    CNetworkSearch search;
    const std::size_t baseline = OpenDescriptors();
    std::size_t found = 0;
    const Clock::time_point start = Clock::now();
    {
        const CDescriptorPeak peak;
        if (range.count == 0 || !search.StartSearch(range, SearchSettings{})) {
            return false;
        }
        while ((search.GetState() == SearchRunning || search.GetState() == -1) &&
               Clock::now() - start < kSearchLimit) {
            (void)WaitForAny(search.FoundSignal(), search.StateSignal(), 100);
            (void)search.FoundSignal().Reset();
            (void)search.StateSignal().Reset();
            found += search.TakeFound().size();
        }
        search.Stop();
        found += search.TakeFound().size();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        // The sampler's own descriptor for the folder it reads is counted too: at most one more.
        std::printf("%-6s %-16s %4u addresses  %6.2f s  %3zu found  peak %3zu descriptors of the search\n",
                    name, network.c_str(), range.count, seconds, found, peak.Peak() - baseline);
    }
    return found == kDevices + kSilent && search.GetState() == SearchFinished;
}

// Starts a search, lets it get under way and measures Stop.
void MeasureStop(const std::string& network) {
    CNetworkSearch search;
    if (!search.StartSearch(Range(network), SearchSettings{})) {
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const Clock::time_point start = Clock::now();
    search.Stop();
    std::printf("stop   %-16s under way after 0.5 s: Stop took %.3f ms\n", network.c_str(),
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
}

} // namespace

int main() {
    if (!StartNetworking()) {
        return 1;
    }
    Population small;
    Population wide;
    if (!StartPopulation(small, "127.0.168.1", "127.0.168.20", "127.0.168.", 21) ||
        !StartPopulation(wide, "127.0.172.1", "127.0.172.20", "127.0.175.", 1)) {
        return 1;
    }
    bool complete = MeasureSearch("/24", "127.0.168.0/24");
    complete = MeasureSearch("/22", "127.0.172.0/22") && complete;
    MeasureStop("127.0.168.0/24");
    if (!complete) {
        std::fprintf(stderr, "a search did not find its %d devices and %d listeners\n", kDevices, kSilent);
    }
    return complete ? 0 : 1;
}
