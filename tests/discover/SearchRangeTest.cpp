// The network a search is given, as a pure function: what it visits and what it refuses.
#include "discover/SearchRange.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

struct Visited {
    std::uint32_t first;
    std::uint32_t count;
};

struct NetworkCase {
    const char* text;
    std::optional<Visited> visited; // none: refused
    const char* refusal = "";       // a part of the reason when refused
};

TEST(SearchRangeTest, VisitsTheHostsOfANetworkUpToA22) {
    const NetworkCase cases[] = {
        {"192.168.1.0/24", Visited{0xC0A80101, 254}},
        // A host address with its prefix names the host's network.
        {"192.168.1.77/24", Visited{0xC0A80101, 254}},
        {"10.1.7.255/22", Visited{0x0A010401, 1022}},
        {"192.168.1.6/31", Visited{0xC0A80106, 2}},
        {"192.168.1.7/32", Visited{0xC0A80107, 1}},
        {"10.0.0.0/8", std::nullopt, "16777216 addresses"},
        {"10.1.0.0/21", std::nullopt, "/22 (1024 addresses) at most"},
        {"1.2.3.4/33", std::nullopt, "not an IPv4 network"},
        {"/24", std::nullopt, "not an IPv4 network"},
        {"192.168.1.0/", std::nullopt, "not an IPv4 network"},
        {"192.168.1.0/+24", std::nullopt, "not an IPv4 network"},
        {"router.example.net/24", std::nullopt, "not an IPv4 network"},
        {"fe80::1/64", std::nullopt, "not an IPv4 network"},
        {"192.168.1.256/24", std::nullopt, "not an IPv4 network"},
        {"192.168.1.77", std::nullopt, "give it with its prefix"},
        {"", std::nullopt, "give it with its prefix"},
        {"224.0.0.0/24", std::nullopt, "holds no hosts"},
        {"0.1.2.0/24", std::nullopt, "holds no hosts"},
    };
    for (const NetworkCase& c : cases) {
        std::string refusal;
        const std::optional<SearchRange> range = ParseSearchNetwork(c.text, refusal);
        ASSERT_EQ(range.has_value(), c.visited.has_value()) << c.text << ": " << refusal;
        if (range) {
            EXPECT_EQ(range->first, c.visited->first) << c.text;
            EXPECT_EQ(range->count, c.visited->count) << c.text;
        } else {
            EXPECT_NE(refusal.find(c.refusal), std::string::npos) << c.text << ": " << refusal;
        }
    }
}

} // namespace
