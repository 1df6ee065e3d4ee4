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
