#include "link/AddressCommand.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Format(unsigned short port, const char* ip, const char* mask, const char* gateway) {
    char buffer[4096];
    const int length = FormatAddressCommand(port, ip, mask, gateway, buffer, sizeof buffer);
    return std::string(buffer, static_cast<std::size_t>(length));
}

TEST(AddressCommand, ShellFormPutsGatewayBeforeMask) {
    EXPECT_EQ(Format(5316, "10.0.0.5", "255.0.0.0", "10.0.0.1"),
              "setip -i 10.0.0.5 -g 10.0.0.1 -s 255.0.0.0\n");
}

TEST(AddressCommand, TelnetFormWritesTheThreeFilesAndRequestsAReset) {
    EXPECT_EQ(Format(23, "10.0.0.5", "255.0.0.0", "10.0.0.1"),
              "echo '10.0.0.5' > /usr/ipaddress\necho '255.0.0.0' > /usr/netmask\n"
              "echo '10.0.0.1' > /usr/gateway\ntouch /usr/ramdisk/reset\n");
}

TEST(AddressCommand, RefusesTextsThatAreNotDigitsAndDots) {
    for (const char* bad :
         {"", "10.0.0.5; reboot", "10.0.0.5\n", "10.0.0.5 -s 1", "' > /etc/passwd", "1e3"}) {
        EXPECT_EQ(Format(5316, bad, "255.0.0.0", "10.0.0.1"), "") << '"' << bad << '"';
        EXPECT_EQ(Format(23, "10.0.0.5", bad, "10.0.0.1"), "") << '"' << bad << '"';
        EXPECT_EQ(Format(23, "10.0.0.5", "255.0.0.0", bad), "") << '"' << bad << '"';
    }
    EXPECT_EQ(Format(5316, nullptr, "255.0.0.0", "10.0.0.1"), "");
    EXPECT_TRUE(IsAddressText("0.0.0.0"));
    EXPECT_TRUE(IsAddressText("999"));
}

TEST(AddressCommand, SendsNothingThatDoesNotFit) {
    char small[40] = {};
    EXPECT_EQ(FormatAddressCommand(5316, "10.0.0.5", "255.0.0.0", "10.0.0.1", small, sizeof small), 0);
    char exact[44] = {};
    EXPECT_EQ(FormatAddressCommand(5316, "10.0.0.5", "255.0.0.0", "10.0.0.1", exact, sizeof exact), 43);
    EXPECT_EQ(FormatAddressCommand(5316, "10.0.0.5", "255.0.0.0", "10.0.0.1", exact, sizeof exact - 1), 0);
}

} // namespace
