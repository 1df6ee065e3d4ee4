#include "BenchWindow.h"
#include "EventWait.h"

#include <gtest/gtest.h>

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
