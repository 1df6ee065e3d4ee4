#include "sim/DeviceClock.h"
#include "sim/DeviceAnswers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

std::int64_t Micros(DeviceTime time) {
    return time.seconds * 1000000 + time.micros;
}

TEST(DeviceClock, FrozenClockStandsAtItsStart) {
    const CDeviceClock clock(ClockSetting{true, DeviceTime{4294967296LL, 999999}, true});
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(clock.Now().seconds, 4294967296LL);
    EXPECT_EQ(clock.Now().micros, 999999);
}

TEST(DeviceClock, SetClockRunsFromItsStartWithCarry) {
    const CDeviceClock clock(ClockSetting{true, DeviceTime{2147483647, 999990}, false});
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const DeviceTime now = clock.Now();
    EXPECT_GE(Micros(now), 2147483647LL * 1000000 + 999990 + 20000);
    EXPECT_GE(now.seconds, 2147483648LL);
    EXPECT_LT(now.micros, 1000000);
}

TEST(DeviceClock, DefaultClockFollowsRealTime) {
    const CDeviceClock clock(ClockSetting{});
    const auto real =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    EXPECT_NEAR(static_cast<double>(clock.Now().seconds), static_cast<double>(real), 5.0);
}

TEST(LongAnswer, OutgrowsAReceiveBufferWithoutPromptsOrMarkers) {
    const std::string text = LongAnswer();
    EXPECT_GE(text.size(), 10000u);
    EXPECT_EQ(text.find('#'), std::string::npos);
    EXPECT_EQ(text.find("version"), std::string::npos);
    EXPECT_EQ(text.find("===="), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

} // namespace
