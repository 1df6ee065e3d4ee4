#include "tests/support/LoopbackGuard.h"

#include <gtest/gtest.h>

TEST(LoopbackGuard, AcceptsOnlyDottedAddressesIn127) {
    for (const char* address : {"127.0.0.1", "127.0.4.20", "127.255.255.255"}) {
        EXPECT_TRUE(IsLoopbackAddress(address)) << address;
    }
    for (const char* address :
         {"192.168.42.7", "10.0.0.1", "", "127.0.5.300", "127.1", "localhost", " 127.0.0.1", "128.0.0.1"}) {
        EXPECT_FALSE(IsLoopbackAddress(address)) << address;
    }
}

TEST(LoopbackGuard, AcceptsOnlyNetworksWithin127) {
    for (const char* network : {"127.0.168.0/24", "127.0.172.0/22", "127.0.0.0/8", "127.0.168.7/32"}) {
        EXPECT_TRUE(IsLoopbackNetwork(network)) << network;
    }
    for (const char* network : {"127.0.0.0/7", "0.0.0.0/0", "10.0.0.0/24", "127.0.168.0", "127.0.168.0/",
                                "127.0.168.0/33", "127.0.168.0/+24", "localhost/24", "128.0.0.0/24"}) {
        EXPECT_FALSE(IsLoopbackNetwork(network)) << network;
    }
}
