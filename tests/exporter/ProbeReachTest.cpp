// Which targets /probe may reach.
#include "exporter/ProbeReach.h"

#include "connect/DottedAddress.h"

#include <gtest/gtest.h>

namespace {

struct ReachCase {
    const char* address;
    bool listed;
    const char* refusal; // empty: reached
};

TEST(ProbeReachTest, RefusesOutsideAndNetworkOrBroadcastAddresses) {
    const std::vector<Network> allow{*ParseNetwork("127.0.186.0/24"), *ParseNetwork("127.0.187.4/31"),
                                     *ParseNetwork("127.0.188.7")};
    for (const ReachCase& c : {
             ReachCase{"127.0.186.10", false, ""},
             ReachCase{"127.0.186.0", false, "127.0.186.0 is the network address of 127.0.186.0/24"},
             ReachCase{"127.0.186.255", false, "127.0.186.255 is the broadcast address of 127.0.186.0/24"},
             ReachCase{"127.0.186.255", true, ""},
             ReachCase{"127.0.187.4", false, ""},
             ReachCase{"127.0.187.5", false, ""},
             ReachCase{"127.0.188.7", false, ""},
             ReachCase{"127.0.189.1", false, "127.0.189.1 is outside the allowed networks and devices"},
             ReachCase{"127.0.189.1", true, ""},
         }) {
        const std::uint32_t value = AddressValue(*ParseDottedAddress(c.address));
        EXPECT_EQ(ProbeRefusal(allow, c.listed, value, c.address), c.refusal) << c.address << ' ' << c.listed;
    }
}

} // namespace
