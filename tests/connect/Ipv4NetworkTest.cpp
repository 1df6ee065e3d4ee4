// The network check as a pure function: which texts name a network, and which addresses lie in it.
#include "connect/Ipv4Network.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

namespace {

struct NetworkCase {
    const char* text;
    std::optional<std::pair<std::uint32_t, bool>>
        probe; // an address and whether it lies within; none: refused
};

TEST(Ipv4NetworkTest, ParsesPrefixesAndHoldsAddressesToThem) {
    const NetworkCase cases[] = {
        {"10.0.0.0/8", std::pair{0x0AFFFFFFu, true}},
        {"10.0.0.0/8", std::pair{0x0B000000u, false}},
        {"127.0.180.7/24", std::pair{0x7F00B4FFu, true}},
        {"127.0.180.7", std::pair{0x7F00B406u, false}},
        {"1.0.0.0/0", std::pair{0xC0000201u, true}},
        {"10.0.0.0/33", std::nullopt},
        {"10.0.0.0/", std::nullopt},
        {"10.0.0.0/+8", std::nullopt},
        {"example.net/24", std::nullopt},
    };
    for (const NetworkCase& c : cases) {
        const std::optional<Network> network = ParseNetwork(c.text);
        ASSERT_EQ(network.has_value(), c.probe.has_value()) << c.text;
        if (network) {
            EXPECT_EQ(IsWithin({*network}, c.probe->first), c.probe->second) << c.text;
        }
    }
}

} // namespace
