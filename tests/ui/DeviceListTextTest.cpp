// The Devices window's list as the user types it and as the settings store keeps it.
#include "ui/DeviceListText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Typed(const std::string& text) {
    std::string refusal;
    const std::optional<std::vector<DeviceAddress>> devices = TypedDevices(text, refusal);
    if (!devices) {
        return {"refused: " + refusal};
    }
    std::vector<std::string> addresses;
    for (const DeviceAddress& device : *devices) {
        addresses.push_back(device.text);
    }
    return addresses;
}

TEST(TypedDevices, AddressesRangesAndNetworksEachOnceInTheOrderTyped) {
    using List = std::vector<std::string>;
    EXPECT_EQ(Typed(" 127.0.0.9, 127.0.0.1;127.0.0.9 "), (List{"127.0.0.9", "127.0.0.1"}));
    EXPECT_EQ(Typed("127.0.0.254-255 127.0.1.0-127.0.1.1"),
              (List{"127.0.0.254", "127.0.0.255", "127.0.1.0", "127.0.1.1"}));
    // A network's own address and its broadcast are no device's.
    EXPECT_EQ(Typed("192.168.7.0/30"), (List{"192.168.7.1", "192.168.7.2"}));
    EXPECT_EQ(Typed("192.168.7.4/31"), (List{"192.168.7.4", "192.168.7.5"}));
    EXPECT_EQ(Typed(""), List{});
}

TEST(TypedDevices, RefusesWhatIsNoAddressAndWhatIsTooMany) {
    for (const char* text : {"127.0.0.1 host.example", "127.0.0.1-256", "127.0.0.1-", "0.0.0.0", "10.0.0.0/8",
                             "127.0.0.1-127.1.0.2", "127.0.0.1/33"}) {
        const std::vector<std::string> typed = Typed(text);
        ASSERT_EQ(typed.size(), 1u) << text;
        EXPECT_TRUE(typed.front().starts_with("refused: ")) << text;
    }
}

TEST(KeptDevices, TheListAndItsNamesComeBackAsKept) {
    const std::vector<KeptDevice> devices = {{"127.0.0.1", "Rack 4\tleft\nrow"}, {"10.1.2.3", ""}};
    const std::vector<KeptDevice> back = ReadKeptDevices(KeptDevicesText(devices));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].address, "127.0.0.1");
    // One line of text, whatever was typed.
    EXPECT_EQ(back[0].name, "Rack 4\\x09left\\x0arow");
    EXPECT_EQ(back[1], devices[1]);
}

TEST(KeptDevices, WhatCannotBeReadIsSkipped) {
    const std::vector<KeptDevice> back =
        ReadKeptDevices("127.0.0.1\tA\nnonsense\tB\n127.0.0.1\tC\n127.0.0.2x\n127.0.0.3\t\xff");
    const std::vector<KeptDevice> expected = {{"127.0.0.1", "A"}, {"127.0.0.3", "\\xff"}};
    EXPECT_EQ(back, expected);
}

} // namespace
