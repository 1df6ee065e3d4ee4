#include "ui/RestartTexts.h"

#include "resources/StringTable.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

namespace {

std::string Strings(int id) {
    return LoadStringResource(id);
}

const std::string kRebootWarning = LoadStringResource(IDS_REBOOT_WARNING);

TEST(RestartTexts, TheQuestionNamesTheNetworkAndTheGatewayBeforeTheRebootWarning) {
    const AddressCheck change = CheckAddressChange(false, "10.0.0.5", "255.255.255.0", "10.0.1.1");
    EXPECT_EQ(ChangeQuestion(change, {.reachable = false, .gatewayOutside = true}, Strings),
              "No network of this PC holds 10.0.0.5.\nAfter the restart this PC cannot reach the device "
              "there\nuntil it is moved to the network 10.0.0.0/24.\n\n"
              "The gateway 10.0.1.1 lies outside the new network 10.0.0.0/24.\n\n" +
                  kRebootWarning);
    EXPECT_EQ(ChangeQuestion(change, {.reachable = true, .gatewayOutside = false}, Strings), kRebootWarning);
    EXPECT_EQ(ChangeQuestion(CheckAddressChange(true, "", "", ""), {}, Strings), kRebootWarning)
        << "a DHCP change has no address to warn about";
}

TEST(RestartTexts, StatusLinesAndTheTimeOutNameTheNewAddress) {
    EXPECT_EQ(RestartingLine("10.0.0.5", 120, Strings), "Restarting at 10.0.0.5 - 2:00");
    EXPECT_EQ(RestartingLine("10.0.0.5", 61, Strings), "Restarting at 10.0.0.5 - 1:01");
    EXPECT_EQ(RestartingLine("10.0.0.5", 9, Strings), "Restarting at 10.0.0.5 - 0:09");
    EXPECT_EQ(DeviceNowLine("10.0.0.5", Strings), "Device now at 10.0.0.5");
    EXPECT_EQ(DeviceNowLine("", Strings), "Device now uses DHCP");
    EXPECT_EQ(NoAnswerText("10.0.0.5", Strings), "The device did not answer at 10.0.0.5 within 2 minutes.");
}

} // namespace
