#include "ui/qt/LocalNetworks.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(LocalNetworks, IncludeTheLoopbackInterfaceWithItsMask) {
    const std::vector<Ipv4Network> networks = LocalNetworks();
    const bool loopback = std::ranges::any_of(networks, [](const Ipv4Network& network) {
        return network.address == 0x7F000001 && network.mask == 0xFF000000;
    });
    EXPECT_TRUE(loopback) << "127.0.0.1/8 is up on every machine the window runs on";
}

} // namespace
