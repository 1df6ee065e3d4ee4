#include "UtcLine.h"

#include <gtest/gtest.h>

TEST(UtcLineTest, ReadsTheSecondTheWindowShows) {
    EXPECT_EQ(ShownUtcSeconds("01:46:40    09 September 2001    UTC"), 1000000000);
    EXPECT_EQ(ShownUtcSeconds("00:00:01    01 January 1970    UTC"), 1);
    EXPECT_EQ(ShownUtcSeconds("23:59:59    31 December 2037    UTC"), 2145916799);
}

TEST(UtcLineTest, RejectsEveryOtherLine) {
    for (const char* text :
         {"", "Connected - Please Wait", "MAC address not assigned", "Searching for VANTREX device",
          "01:46:40    09 September 2001    Local", "01:46:40    09 Septembre 2001    UTC",
          "24:00:00    09 September 2001    UTC", "01:46    09 September 2001    UTC",
          "01:46:40    32 September 2001    UTC", "01:46:40    09 September 2001    UTC x",
          "01:46:4x    09 September 2001    UTC", "01:46:40    09 September 99999999999    UTC"}) {
        EXPECT_FALSE(ShownUtcSeconds(text).has_value()) << text;
    }
}
