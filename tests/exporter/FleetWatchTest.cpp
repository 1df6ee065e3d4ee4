// The fleet as the HTTP side sees it, before the watch has run.
#include "exporter/FleetWatch.h"

#include <gtest/gtest.h>

namespace {

// The listed devices are open to /probe from the start, not only once the watch's thread has begun:
// the server answers as soon as it listens.
TEST(FleetWatchTest, ListsItsDevicesBeforeItRuns) {
    ExporterOptions options;
    options.devices = {{"127.0.190.20", 0x7f00be14}};
    options.fromDevices = {{"127.0.190.21", 0x7f00be15}};
    const CFleetWatch fleet(options, HealthLimits());
    EXPECT_TRUE(fleet.Lists(0x7f00be14));
    EXPECT_TRUE(fleet.Lists(0x7f00be15));
    EXPECT_FALSE(fleet.Lists(0x7f00be16));
}

} // namespace
