#include "runtime/Tick.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

std::uint32_t FrozenTick() {
    return 0xFFFFFFF0u;
}

TEST(TickTest, CountsMillisecondsAndCanBeReplaced) {
    SetTickSource(&FrozenTick);
    EXPECT_EQ(TickCount(), 0xFFFFFFF0u);
    SetTickSource(nullptr);

    const std::uint32_t before = TickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::uint32_t elapsed = TickCount() - before; // Modular: right across a wrap as well.
    EXPECT_GE(elapsed, 45u);
    EXPECT_LT(elapsed, 5000u);
}

} // namespace
