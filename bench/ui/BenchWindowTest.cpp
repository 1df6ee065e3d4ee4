#include "BenchWindow.h"
#include "EventWait.h"

#include <gtest/gtest.h>

// Benchmarks must never reach for a real device: Connect is only pressed on a loopback address.
TEST(BenchWindowTest, RefusesToConnectOutsideLoopback) {
    for (const char* address : {"192.168.42.7", "", "127.0.5.300", "10.0.0.1"}) {
        CBenchWindow window(address);
        EXPECT_FALSE(window.ClickConnectButton()) << address;
        EXPECT_TRUE(window.IsDisconnected()) << address;
        EXPECT_FALSE(window.Dialog().LinkA().IsStarted()) << address;
        EXPECT_FALSE(window.Dialog().LinkB().IsStarted()) << address;
    }
}

// Nothing listens on this address, so both links are refused and the window answers its own failure
// box without a box ever opening.
TEST(BenchWindowTest, DrivesTheWindowThroughAFailedAttempt) {
    CBenchWindow window("127.0.5.98");
    ASSERT_TRUE(window.ClickConnectButton());
    EXPECT_FALSE(window.IsDisconnected());
    EXPECT_TRUE(
        WaitForCondition([&] { return window.IsDisconnected() && window.MessageCount() == 1; }, 20000));
    EXPECT_FALSE(window.IsConnected());
    EXPECT_FALSE(window.ShowsUtcTime());
}
