#include "ui/ChangeNetworkCheck.h"

#include "connect/DottedAddress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::uint32_t Value(const char* dotted) {
    return AddressValue(ParseDottedAddress(dotted).value());
}

Ipv4Network Network(const char* address, const char* mask) {
    return {.address = Value(address), .mask = Value(mask)};
}

struct NetworkCase {
    const char* name;
    std::vector<Ipv4Network> local;
    Ipv4Network device;
    const char* gateway;
    bool reachable;
    bool gatewayOutside;
};

const Ipv4Network kLoopback = Network("127.0.0.1", "255.0.0.0");
const Ipv4Network kOffice = Network("192.168.1.20", "255.255.255.0");
const Ipv4Network kLab = Network("10.0.0.7", "255.255.0.0");

TEST(ChangeNetworkCheck, FindsTheNetworkThatHoldsTheNewAddressAndAGatewayOutsideIt) {
    const NetworkCase cases[] = {
        {"in the one network",
         {kOffice},
         Network("192.168.1.77", "255.255.255.0"),
         "192.168.1.1",
         true,
         false},
        {"outside it", {kOffice}, Network("192.168.2.77", "255.255.255.0"), "192.168.2.1", false, false},
        {"in the second of several",
         {kLoopback, kOffice, kLab},
         Network("10.0.200.5", "255.255.0.0"),
         "10.0.0.1",
         true,
         false},
        {"in none of several",
         {kLoopback, kOffice, kLab},
         Network("10.1.0.5", "255.255.0.0"),
         "10.1.0.1",
         false,
         false},
        {"the PC's mask decides, not the device's",
         {kOffice},
         Network("192.168.1.77", "255.255.255.252"),
         "192.168.1.78",
         true,
         false},
        {"a /32 holds its own address only",
         {Network("172.16.0.9", "255.255.255.255")},
         Network("172.16.0.10", "255.255.0.0"),
         "172.16.0.1",
         false,
         false},
        {"a /32 holding the address",
         {Network("172.16.0.9", "255.255.255.255")},
         Network("172.16.0.9", "255.255.0.0"),
         "172.16.0.1",
         true,
         false},
        {"no networks at all", {}, Network("192.168.1.77", "255.255.255.0"), "192.168.1.1", false, false},
        {"gateway outside the new network",
         {kOffice},
         Network("192.168.1.77", "255.255.255.0"),
         "192.168.0.1",
         true,
         true},
        {"gateway outside a /30",
         {kOffice},
         Network("192.168.1.77", "255.255.255.252"),
         "192.168.1.80",
         true,
         true},
        {"both warnings", {kOffice}, Network("10.9.0.5", "255.255.255.0"), "10.8.0.1", false, true},
    };
    for (const NetworkCase& entry : cases) {
        SCOPED_TRACE(entry.name);
        const ChangeNetworkCheck check = CheckNewNetwork(entry.local, entry.device, Value(entry.gateway));
        EXPECT_EQ(check.reachable, entry.reachable);
        EXPECT_EQ(check.gatewayOutside, entry.gatewayOutside);
    }
}

TEST(ChangeNetworkCheck, NamesTheNetworkInPrefixNotation) {
    EXPECT_EQ(NetworkName(Network("10.0.0.5", "255.255.255.0")), "10.0.0.0/24");
    EXPECT_EQ(NetworkName(Network("172.16.200.9", "255.240.0.0")), "172.16.0.0/12");
    EXPECT_EQ(NetworkName(Network("192.168.1.77", "255.255.255.255")), "192.168.1.77/32");
}

TEST(ChangeNetworkCheck, ReadsAValidChangeInNormalForm) {
    const AddressCheck change = CheckAddressChange(false, "10.0.0.5", "255.255.255.0", "10.0.1.1");
    const ChangeNetworkCheck check = CheckChangeNetwork(std::vector{kLab}, change);
    EXPECT_TRUE(check.reachable);
    EXPECT_TRUE(check.gatewayOutside);
}

} // namespace
