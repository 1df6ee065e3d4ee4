#include "link/DeviceTime.h"

#include <gtest/gtest.h>

namespace {

TEST(AdvanceDeviceTime, CarriesOnceWhenTheFieldReachesASecond) {
    const HeldDeviceTime telnet = AdvanceDeviceTime(1000, 950000, 750000);
    EXPECT_EQ(telnet.seconds, 1001);
    EXPECT_EQ(telnet.micros, 700000);
    const HeldDeviceTime shell = AdvanceDeviceTime(1000, 950000, 100000);
    EXPECT_EQ(shell.seconds, 1001);
    EXPECT_EQ(shell.micros, 50000);
    const HeldDeviceTime exact = AdvanceDeviceTime(1000, 900000, 100000);
    EXPECT_EQ(exact.seconds, 1001);
    EXPECT_EQ(exact.micros, 0);
    const HeldDeviceTime below = AdvanceDeviceTime(1000, 899999, 100000);
    EXPECT_EQ(below.seconds, 1000);
    EXPECT_EQ(below.micros, 999999);
    const HeldDeviceTime excess = AdvanceDeviceTime(1000, 1950000, 100000);
    EXPECT_EQ(excess.seconds, 1001);
    EXPECT_EQ(excess.micros, 1050000) << "the carry is done once";
}

TEST(CarryDeviceTime, AddsElapsedTicksTruncatingTowardZero) {
    EXPECT_EQ(CarryDeviceTime({1000, 600000}, 2500), 1003);
    EXPECT_EQ(CarryDeviceTime({1000, 600000}, 399), 1000);
    EXPECT_EQ(CarryDeviceTime({1000, 600000}, 400), 1001);
    EXPECT_EQ(CarryDeviceTime({1000, 1050000}, 0), 1001) << "an excess field still counts";
    EXPECT_EQ(CarryDeviceTime({1000, 1950000}, 50), 1002);
    EXPECT_EQ(CarryDeviceTime({1000, 0}, -999), 1000);
    EXPECT_EQ(CarryDeviceTime({1000, 0}, -1000), 999);
    EXPECT_EQ(CarryDeviceTime({4102444800LL, 100000}, 86400000), 4102531200LL);
}

TEST(CarryDeviceTime, ZeroMeansNoTime) {
    EXPECT_EQ(CarryDeviceTime({0, 0}, 5000), 0);
    EXPECT_EQ(CarryDeviceTime({0, 5000}, 5000), 0 + (5 + 5000) / 1000);
}

} // namespace
