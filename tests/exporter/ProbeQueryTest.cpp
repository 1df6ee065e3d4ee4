// What a /probe query asks, without sockets.
#include "exporter/ProbeQuery.h"

#include <gtest/gtest.h>

namespace {

struct QueryCase {
    const char* name;
    std::multimap<std::string, std::string> parameters;
    std::optional<std::string> scrapeTimeout;
    bool accepted;
    long long limitMs = kDefaultReadingLimit.count();
    bool ntp = true;
    unsigned short ntpPort = 123;
};

class ProbeQueryTest : public ::testing::TestWithParam<QueryCase> {};

TEST_P(ProbeQueryTest, TakesTheLimitAndTheNtpCheckAsAsked) {
    const QueryCase& c = GetParam();
    const ProbeQueryResult result = ParseProbeQuery(c.parameters, c.scrapeTimeout, ProbeSettings{});
    ASSERT_EQ(result.query.has_value(), c.accepted) << result.refusal;
    if (!c.accepted) {
        EXPECT_FALSE(result.refusal.empty());
        return;
    }
    const FleetSettings& settings = result.query->settings;
    EXPECT_EQ(result.query->target.text, "127.0.180.2");
    EXPECT_EQ(settings.probe.timeout.count(), c.limitMs);
    EXPECT_EQ(settings.deadline.count(), c.limitMs);
    EXPECT_EQ(settings.probe.ntp, c.ntp);
    EXPECT_EQ(settings.probe.ntpPort, c.ntpPort);
}

const std::string kTarget = "127.0.180.2";

INSTANTIATE_TEST_SUITE_P(
    Queries, ProbeQueryTest,
    ::testing::Values(
        QueryCase{"TimeoutWithoutHeader", {{"target", kTarget}}, std::nullopt, true},
        QueryCase{"ScraperLimitLessHalfSecond", {{"target", kTarget}}, "10", true, 9500},
        QueryCase{"ScraperLimitTooShortForAReading", {{"target", kTarget}}, "3.9", false},
        QueryCase{"ShortestScraperLimit", {{"target", kTarget}}, "4", true, 3500},
        QueryCase{"DayLongScraperLimitCapped", {{"target", kTarget}}, "86400", true, 60000},
        QueryCase{"ScraperLimitNotNumber", {{"target", kTarget}}, "10s", false},
        QueryCase{"ScraperLimitZero", {{"target", kTarget}}, "0", false},
        QueryCase{"NtpPortAndNoNtp",
                  {{"target", kTarget}, {"ntp_port", "20123"}, {"no_ntp", "1"}},
                  std::nullopt,
                  true,
                  kDefaultReadingLimit.count(),
                  false,
                  20123},
        QueryCase{"NtpPortOutOfRange", {{"target", kTarget}, {"ntp_port", "65536"}}, std::nullopt, false},
        QueryCase{"NtpPortFraction", {{"target", kTarget}, {"ntp_port", "12.5"}}, std::nullopt, false},
        QueryCase{"NoNtpWord", {{"target", kTarget}, {"no_ntp", "yes"}}, std::nullopt, false},
        QueryCase{"BroadcastTarget", {{"target", "255.255.255.255"}}, std::nullopt, false},
        QueryCase{"TwoTargets", {{"target", kTarget}, {"target", "127.0.180.3"}}, std::nullopt, false}),
    [](const ::testing::TestParamInfo<QueryCase>& info) { return std::string(info.param.name); });

} // namespace
