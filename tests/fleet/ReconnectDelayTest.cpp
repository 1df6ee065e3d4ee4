#include "fleet/ReconnectDelay.h"

#include <gtest/gtest.h>

namespace {

TEST(ReconnectDelay, DoublesUpToTheCapAndStartsOverAfterAReading) {
    CReconnectDelay delay;
    std::vector<long long> waits;
    for (int attempt = 0; attempt < 9; ++attempt) {
        waits.push_back(delay.Next().count());
    }
    EXPECT_EQ(waits, (std::vector<long long>{1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000}));
    delay.Reset();
    EXPECT_EQ(delay.Next().count(), 1000);
}

} // namespace
