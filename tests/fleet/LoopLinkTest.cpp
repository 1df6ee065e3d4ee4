// One link on an event loop against the simulated device on 127.0.136.1-9: a whole reading, and each way
// a run ends, told once, with the socket and its watch given back.
#include "LoopDriver.h"

#include "fleet/LoopLink.h"

#include "tests/support/DescriptorExhaustion.h"
#include "tests/support/SimProcess.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Short pacing keeps a poll cycle in well under a second; the limits stay generous.
LinkTiming FastTiming() {
    LinkTiming timing;
    timing.pacingMs = 20;
    return timing;
}

std::string Address(std::uint32_t last) {
    return "127.0.136." + std::to_string(last);
}

TEST(LoopLink, ReadsTheWholeStatusAndTellsEachChange) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", Address(1), "--telnet-port", "0"})) << sim.ErrorOutput();
    const std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
    ASSERT_TRUE(loop);
    int news = 0;
    CLoopLink link(*loop, Address(1), [&news] { ++news; });
    link.Start(FleetTestAddress(1), kShellPort, FastTiming());
    ASSERT_TRUE(RunLoopUntil(
        *loop, [&link] { return link.Snapshot().peerTable.has_value(); }, 10000));
    EXPECT_EQ(link.State(), StateReady);
    EXPECT_EQ(link.Snapshot().version, "2.4.1");
    EXPECT_TRUE(link.Snapshot().lastReading);
    EXPECT_EQ(link.Snapshot().gpsState, true);
    EXPECT_EQ(link.Snapshot().timeSyncState, true);
    // Ready, then the version, the date and the peers, each once at least.
    EXPECT_GE(news, 4);
    const std::vector<SimLogLine> lines = sim.ReadLog().lines;
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0].text, "version");
    link.Stop();
    EXPECT_FALSE(link.HoldsSocket());
    EXPECT_EQ(loop->WatchCount(), 0u);
}

struct EndCase {
    const char* name;
    std::uint32_t address;
    std::vector<std::string> sim; // empty: nothing listens there
    LinkState end;
};

class LoopLinkEndTest : public ::testing::TestWithParam<EndCase> {};

TEST_P(LoopLinkEndTest, EndsOnceWithItsStateAndGivesBackTheSocket) {
    const EndCase& c = GetParam();
    CSimProcess sim;
    if (!c.sim.empty()) {
        std::vector<std::string> options{"--address", Address(c.address)};
        options.insert(options.end(), c.sim.begin(), c.sim.end());
        ASSERT_TRUE(sim.Start(options)) << sim.ErrorOutput();
    }
    const std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
    ASSERT_TRUE(loop);
    std::vector<LinkState> told;
    CLoopLink link(*loop, Address(c.address), [&] { told.push_back(link.State()); });
    LinkTiming timing = FastTiming();
    timing.firstPromptLimitMs = 300;
    link.Start(FleetTestAddress(c.address), kShellPort, timing);
    ASSERT_TRUE(RunLoopUntil(
        *loop, [&link] { return link.Phase() == DialoguePhase::Ended; }, 10000));
    EXPECT_EQ(link.State(), c.end);
    ASSERT_TRUE(RunLoopUntil(
        *loop, [&told] { return !told.empty(); }, 1000));
    EXPECT_EQ(told, std::vector<LinkState>{c.end});
    EXPECT_FALSE(link.HoldsSocket());
    EXPECT_EQ(loop->WatchCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, LoopLinkEndTest,
    ::testing::Values(EndCase{"Refused", 2, {}, StateConnectFailed},
                      EndCase{"Silent", 3, {"--silent", "--telnet-port", "0"}, StateSilent}),
    [](const ::testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

TEST(LoopLink, ADeviceThatGoesAwayEndsTheRunAsClosed) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", Address(4), "--telnet-port", "0"})) << sim.ErrorOutput();
    const std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
    ASSERT_TRUE(loop);
    CLoopLink link(*loop, Address(4), [] {});
    link.Start(FleetTestAddress(4), kShellPort, FastTiming());
    ASSERT_TRUE(RunLoopUntil(
        *loop, [&link] { return link.State() == StateReady; }, 10000));
    sim.Stop();
    ASSERT_TRUE(RunLoopUntil(
        *loop, [&link] { return link.Phase() == DialoguePhase::Ended; }, 10000));
    EXPECT_EQ(link.State(), StateLinkClosed);
    EXPECT_EQ(loop->WatchCount(), 0u);
}

// No descriptor for the socket is this PC's fault, told from the loop and not from inside Start.
TEST(LoopLink, NoSocketIsToldAtTheNextWake) {
    const std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
    ASSERT_TRUE(loop);
    int news = 0;
    CLoopLink link(*loop, Address(5), [&news] { ++news; });
    // UBSan checks an object's dynamic type the first time through a pipe, which it cannot open while
    // descriptors are exhausted: a run against a refusing address (nothing listens there) checks them.
    link.Start(FleetTestAddress(5), kShellPort, FastTiming());
    ASSERT_TRUE(RunLoopUntil(
        *loop, [&link] { return link.Phase() == DialoguePhase::Ended; }, 10000));
    news = 0;
    {
        CDescriptorExhaustion exhaustion;
        link.Start(FleetTestAddress(5), kShellPort, FastTiming());
    }
    EXPECT_EQ(news, 0);
    ASSERT_TRUE(RunLoopUntil(
        *loop, [&news] { return news > 0; }, 1000));
    EXPECT_EQ(news, 1);
    EXPECT_EQ(link.State(), StateSocketFailed);
}

} // namespace
