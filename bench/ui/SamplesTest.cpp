#include "Samples.h"

#include <gtest/gtest.h>

TEST(SamplesTest, SummaryOfUnsortedSamples) {
    const SampleSummary odd = Summarise({9.0, 1.0, 5.0});
    EXPECT_EQ(odd.count, 3u);
    EXPECT_DOUBLE_EQ(odd.min, 1.0);
    EXPECT_DOUBLE_EQ(odd.median, 5.0);
    EXPECT_DOUBLE_EQ(odd.max, 9.0);
    // An even count takes the mean of the two middle samples.
    EXPECT_DOUBLE_EQ(Summarise({4.0, 1.0, 3.0, 2.0}).median, 2.5);
    const SampleSummary none = Summarise({});
    EXPECT_EQ(none.count, 0u);
    EXPECT_DOUBLE_EQ(none.median, 0.0);
}
