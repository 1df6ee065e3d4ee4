// vantrex-status --discover against simulated devices in 127.0.171.0/24, loopback only: exit statuses and
// output, and the addresses it finds read back through --from -.
#include "StatusRun.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/LoopbackGuard.h"
#include "tests/support/SimProcess.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <unistd.h>

namespace {

struct DiscoverCase {
    const char* name;
    const char* device; // the simulated device's address, or nullptr for none
    std::vector<std::string> arguments;
    int exitStatus;
    std::vector<std::string> lines;
    const char* redirection = ""; // sh's redirection of stdout, when not read
};

// Each row searches a /28 of its own, so that rows may run side by side.
class DiscoverEndToEnd : public ::testing::TestWithParam<DiscoverCase> {};

TEST_P(DiscoverEndToEnd, ExitStatusAndOutputAgree) {
    const DiscoverCase& c = GetParam();
    // Whatever a row says, no search leaves loopback.
    ASSERT_TRUE(IsLoopbackNetwork(c.arguments.at(1))) << c.arguments.at(1);
    CSimProcess sim;
    if (c.device != nullptr) {
        ASSERT_TRUE(sim.Start({"--address", c.device, "--telnet-port", "0"})) << sim.ErrorOutput();
    }
    StatusRun run;
    if (*c.redirection == '\0') {
        run = RunStatus(c.arguments);
    } else {
        run = RunStatusRedirected(c.redirection, c.arguments,
                                  testing::TempDir() + "vantrex-discover-errors.txt");
        ASSERT_FALSE(run.lines.empty());
        run.exitStatus = std::stoi(run.lines.back());
        run.lines.pop_back();
    }
    EXPECT_EQ(run.exitStatus, c.exitStatus);
    EXPECT_EQ(run.lines, c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, DiscoverEndToEnd,
    ::testing::Values(
        DiscoverCase{"Lines",
                     "127.0.171.1",
                     {"--discover", "127.0.171.0/28"},
                     0,
                     {"127.0.171.1     5316       2.4.1            device shell answered"}},
        DiscoverCase{
            "JsonLines",
            "127.0.171.17",
            {"--discover", "127.0.171.16/28", "--json"},
            0,
            {R"({"address":"127.0.171.17","firmware":"2.4.1","note":"device shell answered","ports":[5316]})"}},
        DiscoverCase{"NothingAnswers", nullptr, {"--discover", "127.0.171.32/28"}, 1, {}},
        DiscoverCase{"OutputRefused", "127.0.171.49", {"--discover", "127.0.171.48/28"}, 3, {}, ">/dev/full"},
        DiscoverCase{"BadInput", nullptr, {"--discover", "127.0.0.0/8"}, 3, {}}),
    [](const ::testing::TestParamInfo<DiscoverCase>& info) { return std::string(info.param.name); });

TEST(DiscoverPipeline, FoundAddressesAreReadThroughStandardInput) {
    if (access("/usr/bin/jq", X_OK) != 0) {
        GTEST_SKIP() << "needs jq";
    }
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", "127.0.171.65", "--telnet-port", "0"})) << sim.ErrorOutput();
    const std::string network = "127.0.171.64/28";
    ASSERT_TRUE(IsLoopbackNetwork(network));
    CChildProcess pipeline;
    ASSERT_TRUE(pipeline.Start(
        {"/bin/sh", "-c",
         "\"$0\" --discover " + network + " --json | jq -r .address | \"$0\" --from - --no-ntp --json",
         VANTREX_STATUS_PATH}));
    std::vector<std::string> lines;
    while (std::optional<std::string> line = pipeline.ReadLine(30000)) {
        lines.push_back(*line);
    }
    EXPECT_EQ(pipeline.Finish(30000), 0);
    ASSERT_EQ(lines.size(), 1u);
    const nlohmann::json reading = nlohmann::json::parse(lines[0]);
    EXPECT_EQ(reading["address"], "127.0.171.65");
    EXPECT_EQ(reading["status"], "OK");
}

} // namespace
