// The staggered race on an event loop against simulated devices on 127.0.136.10-19: the shell first, the
// telnet link only when the shell fails or shows no prompt in time, the link that worked first next
// time, and the sockets each way holds.
#include "LoopDriver.h"

#include "fleet/StaggeredRace.h"

#include "tests/support/SimProcess.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kSockets = 10;

std::string Address(std::uint32_t last) {
    return "127.0.136." + std::to_string(last);
}

LinkTiming FastTiming() {
    LinkTiming timing;
    timing.pacingMs = 20;
    return timing;
}

#define SKIP_WITHOUT_TELNET_PORT()                                                                           \
    if (!CanBindTelnetPort()) {                                                                              \
        GTEST_SKIP() << "binding port 23 needs root";                                                        \
    }

// A race on its own loop, with the news it told.
struct RaceBench {
    std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
    CSocketBudget budget{kSockets};
    int news = 0;
    std::unique_ptr<CStaggeredRace> race;

    explicit RaceBench(std::uint32_t address, LinkHint hint = {}) {
        if (loop) {
            race = std::make_unique<CStaggeredRace>(
                *loop, budget, Address(address), RacePorts{}, [this] { ++news; }, hint);
        }
    }
    bool RunUntilOver(int timeoutMs) {
        return RunLoopUntil(
            *loop, [this] { return race->Outcome() != RaceOutcome::Racing; }, timeoutMs);
    }
};

TEST(StaggeredRace, ADeviceWithAShellCostsOneSocket) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", Address(10), "--telnet-port", "0"})) << sim.ErrorOutput();
    RaceBench bench(10);
    ASSERT_TRUE(bench.race);
    bench.race->Start(FleetTestAddress(10), FastTiming());
    EXPECT_EQ(bench.budget.Left(), kSockets - kSocketsOfARace);
    ASSERT_TRUE(bench.RunUntilOver(10000));
    EXPECT_EQ(bench.race->Outcome(), RaceOutcome::Won);
    EXPECT_EQ(bench.race->WinnerSide(), LinkSide::Shell);
    EXPECT_FALSE(bench.race->TelnetStarted());
    EXPECT_EQ(bench.race->Hint().first, LinkSide::Shell);
    EXPECT_EQ(bench.budget.Left(), kSockets - 1);
    EXPECT_EQ(bench.loop->WatchCount(), 1u);
    bench.race->Stop();
    EXPECT_EQ(bench.budget.Left(), kSockets);
}

TEST(StaggeredRace, ARefusedShellStartsTelnetAtOnce) {
    SKIP_WITHOUT_TELNET_PORT();
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", Address(11), "--shell-port", "0", "--telnet-port", "23"}))
        << sim.ErrorOutput();
    RaceBench bench(11);
    ASSERT_TRUE(bench.race);
    bench.race->Start(FleetTestAddress(11), FastTiming());
    ASSERT_TRUE(bench.RunUntilOver(10000));
    EXPECT_EQ(bench.race->Outcome(), RaceOutcome::Won);
    EXPECT_EQ(bench.race->WinnerSide(), LinkSide::Telnet);
    EXPECT_EQ(bench.race->LastState(LinkSide::Shell), StateConnectFailed);
    EXPECT_EQ(bench.budget.Left(), kSockets - 1);
    // The next race goes to telnet first and leaves the refusing shell alone.
    bench.race->Start(FleetTestAddress(11), FastTiming());
    ASSERT_TRUE(bench.RunUntilOver(10000));
    EXPECT_EQ(bench.race->WinnerSide(), LinkSide::Telnet);
    EXPECT_EQ(bench.race->LastState(LinkSide::Shell), StateStarting);
}

TEST(StaggeredRace, TelnetStartsOnlyAfterTheShellStayedSilentForTheStagger) {
    SKIP_WITHOUT_TELNET_PORT();
    CSimProcess silentShell;
    ASSERT_TRUE(silentShell.Start({"--address", Address(12), "--silent", "--telnet-port", "0"}))
        << silentShell.ErrorOutput();
    CSimProcess telnet;
    ASSERT_TRUE(telnet.Start({"--address", Address(12), "--shell-port", "0", "--telnet-port", "23"}))
        << telnet.ErrorOutput();
    RaceBench bench(12);
    ASSERT_TRUE(bench.race);
    const Clock::time_point start = Clock::now();
    bench.race->Start(FleetTestAddress(12), FastTiming());
    ASSERT_TRUE(RunLoopUntil(
        *bench.loop, [&bench] { return bench.race->TelnetStarted(); }, 10000));
    EXPECT_GE(Clock::now() - start, kShortestPromptWait);
    ASSERT_TRUE(bench.RunUntilOver(10000));
    EXPECT_EQ(bench.race->Outcome(), RaceOutcome::Won);
    EXPECT_EQ(bench.race->WinnerSide(), LinkSide::Telnet);
    // The silent shell's link is closed: the winner alone holds a socket.
    EXPECT_EQ(bench.loop->WatchCount(), 1u);
    EXPECT_EQ(bench.budget.Left(), kSockets - 1);
}

TEST(StaggeredRace, FailsWhenBothLinksFailAndGivesEverySocketBack) {
    RaceBench bench(13);
    ASSERT_TRUE(bench.race);
    bench.race->Start(FleetTestAddress(13), FastTiming());
    ASSERT_TRUE(bench.RunUntilOver(10000));
    EXPECT_EQ(bench.race->Outcome(), RaceOutcome::Failed);
    EXPECT_EQ(bench.race->LastState(LinkSide::Shell), StateConnectFailed);
    EXPECT_EQ(bench.race->LastState(LinkSide::Telnet), StateConnectFailed);
    EXPECT_EQ(bench.news, 1);
    EXPECT_EQ(bench.budget.Left(), kSockets);
    EXPECT_EQ(bench.loop->WatchCount(), 0u);
}

} // namespace
