// This PC's networks as the IP helper reports them, as the address-change warning reads them.
#include "ui/win32/LocalNetworks.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(LocalNetworks, HoldTheLoopbackNetworkWithItsMask) {
    const std::vector<Ipv4Network> networks = LocalNetworks();
    const bool loopback = std::any_of(networks.begin(), networks.end(), [](const Ipv4Network& network) {
        return network.address == 0x7F000001u && network.mask == 0xFF000000u;
    });
    EXPECT_TRUE(loopback) << networks.size() << " networks";
}

} // namespace
