// The search against loopback networks in 127.0.169.0/24 and 127.0.170.0/24 only: simulated devices,
// services that are not the device, silent listeners, and most addresses with nothing at all.
#include "BannerServer.h"

#include "discover/NetworkSearch.h"
#include "runtime/WaitSet.h"
#include "tests/support/LoopbackGuard.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/SimProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

namespace {

// Far beyond what a search of a /24 takes (about 3 s), for a busy machine.
constexpr std::uint32_t kSearchLimitMs = 30000;

SearchRange LoopbackRange(const std::string& network) {
    // A test's search never leaves loopback, whatever its text says.
    EXPECT_TRUE(IsLoopbackNetwork(network)) << network;
    std::string refusal;
    const std::optional<SearchRange> range =
        IsLoopbackNetwork(network) ? ParseSearchNetwork(network, refusal) : std::nullopt;
    return range.value_or(SearchRange{});
}

// Everything the search finds until it ends (at most kSearchLimitMs), in address order.
std::vector<FoundAddress> SearchWhole(CNetworkSearch& search, const SearchRange& range) {
    std::vector<FoundAddress> found;
    if (!search.StartSearch(range, SearchSettings{})) {
        ADD_FAILURE() << "no search thread";
        return found;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSearchLimitMs);
    while (search.GetState() == SearchRunning || search.GetState() == -1) {
        if (std::chrono::steady_clock::now() >= end) {
            ADD_FAILURE() << "the search did not end";
            break;
        }
        (void)WaitForAny(search.FoundSignal(), search.StateSignal(), 100);
        (void)search.FoundSignal().Reset();
        (void)search.StateSignal().Reset();
        const std::vector<FoundAddress> more = search.TakeFound();
        found.insert(found.end(), more.begin(), more.end());
    }
    search.Stop();
    const std::vector<FoundAddress> last = search.TakeFound();
    found.insert(found.end(), last.begin(), last.end());
    std::sort(found.begin(), found.end(),
              [](const FoundAddress& a, const FoundAddress& b) { return a.address < b.address; });
    return found;
}

std::size_t EntriesIn(const char* folder) {
    const std::filesystem::directory_iterator entries(folder);
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

std::size_t OpenDescriptors() {
    return EntriesIn("/proc/self/fd");
}

std::size_t Threads() {
    return EntriesIn("/proc/self/task");
}

// What one address of the network is, and what the search must find there.
struct AddressRow {
    const char* what;
    std::uint32_t address;
    const char* firmware; // "" when none is read
    bool shell;           // the shell port answers
    bool telnet;          // the telnet port answers
};

TEST(NetworkSearchTest, FindsWhatAnswersOnALoopbackNetwork) {
    if (!CanBindTelnetPort()) {
        GTEST_SKIP() << "port 23 needs root";
    }
    constexpr std::uint32_t kNet = 0x7F00A900; // 127.0.169.0
    const AddressRow rows[] = {
        {"device on both ports", kNet + 1, "2.4.1", true, true},
        {"device on both ports", kNet + 2, "2.4.1", true, true},
        {"device with its shell only", kNet + 3, "V3.0-beta", true, false},
        {"telnet service only", kNet + 4, "", false, true},
        {"another service on the shell port", kNet + 5, "", true, false},
        {"a listener that never speaks", kNet + 6, "", true, false},
        {"a device that accepts and stays silent", kNet + 7, "", true, false},
        {"a service that sends without end", kNet + 8, "", true, false},
        {"a shell whose version answer is unreadable", kNet + 9, "", true, false},
    };
    CSimProcess bothPorts;
    CSimProcess shellOnly;
    CSimProcess telnetOnly;
    CSimProcess silentDevice;
    CSimProcess noVersion;
    ASSERT_TRUE(bothPorts.Start({"--address", "127.0.169.1-127.0.169.2"})) << bothPorts.ErrorOutput();
    ASSERT_TRUE(
        shellOnly.Start({"--address", "127.0.169.3", "--telnet-port", "0", "--firmware", "V3.0-beta"}))
        << shellOnly.ErrorOutput();
    ASSERT_TRUE(telnetOnly.Start({"--address", "127.0.169.4", "--shell-port", "0"}))
        << telnetOnly.ErrorOutput();
    ASSERT_TRUE(silentDevice.Start({"--address", "127.0.169.7", "--telnet-port", "0", "--silent"}))
        << silentDevice.ErrorOutput();
    ASSERT_TRUE(noVersion.Start({"--address", "127.0.169.9", "--telnet-port", "0", "--firmware", ""}))
        << noVersion.ErrorOutput();
    const CBannerServer otherService("127.0.169.5", kShellPort, "SSH-2.0-OpenSSH_9.2p1 Debian-2\r\n");
    const CLoopbackListener neverSpeaks("127.0.169.6", kShellPort);
    const CBannerServer flood("127.0.169.8", kShellPort, std::string(4096, 'x') + "\r\n", true);
    ASSERT_TRUE(otherService.IsListening() && neverSpeaks.IsListening() && flood.IsListening());

    CNetworkSearch search;
    const std::vector<FoundAddress> found = SearchWhole(search, LoopbackRange("127.0.169.0/24"));

    EXPECT_EQ(search.GetState(), SearchFinished);
    EXPECT_EQ(search.UntriedCount(), 0u);
    ASSERT_EQ(found.size(), std::size(rows));
    for (std::size_t index = 0; index < found.size(); ++index) {
        const AddressRow& row = rows[index];
        EXPECT_EQ(found[index].address, row.address) << row.what;
        EXPECT_EQ(found[index].firmware, row.firmware) << row.what;
        EXPECT_EQ(found[index].shellPort,
                  row.shell ? std::optional<unsigned short>(kShellPort) : std::nullopt)
            << row.what;
        EXPECT_EQ(found[index].telnetPort,
                  row.telnet ? std::optional<unsigned short>(kTelnetPort) : std::nullopt)
            << row.what;
    }
    // Each shell is asked for its version once, read or not; nothing at all is sent to a telnet port.
    for (const auto& [sim, shells] : {std::pair{&bothPorts, 2u}, std::pair{&noVersion, 1u}}) {
        const SimLog log = sim->ReadLog();
        EXPECT_EQ(log.lines.size(), shells);
        for (const SimLogLine& line : log.lines) {
            EXPECT_EQ(line.port, kShellPort) << line.text;
            EXPECT_EQ(line.text, "version");
        }
    }
    EXPECT_TRUE(telnetOnly.ReadLog().lines.empty());
}

TEST(NetworkSearchTest, RunsOnOneThreadAndStopEndsItAtOnceClosingEverySocket) {
    // Sixty listeners that never speak keep that many attempts waiting for a prompt.
    std::vector<std::unique_ptr<CLoopbackListener>> listeners;
    for (int host = 1; host <= 60; ++host) {
        const std::string address = "127.0.170." + std::to_string(host);
        listeners.push_back(std::make_unique<CLoopbackListener>(address.c_str(), kShellPort));
        ASSERT_TRUE(listeners.back()->IsListening()) << address;
    }
    CNetworkSearch search;
    const std::size_t before = OpenDescriptors();
    const std::size_t threadsBefore = Threads();
    ASSERT_TRUE(search.StartSearch(LoopbackRange("127.0.170.0/24"), SearchSettings{}));
    // Polled, bounded: the attempts to the listeners wait 2 s for a prompt, far longer than they take to
    // connect even on a busy machine.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    while (OpenDescriptors() <= before + 32 && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_GT(OpenDescriptors(), before + 32) << "the search should have its attempts under way";
    // The search's thread, and the thread a sanitizer's runtime may start on its own.
    EXPECT_LE(Threads(), threadsBefore + 2) << "one thread for every attempt at once";

    const auto start = std::chrono::steady_clock::now();
    search.Stop();
    const auto took = std::chrono::steady_clock::now() - start;

    EXPECT_LT(took, std::chrono::milliseconds(1000)) << "meant to take well under 100 ms";
    EXPECT_EQ(search.GetState(), SearchStopped);
    EXPECT_EQ(OpenDescriptors(), before);
}

} // namespace
