// The rejection of malformed texts is covered through the window's address check; these cases cover
// what the status program takes from a parsed address: its value and its normal form.
#include "connect/DottedAddress.h"

#include <gtest/gtest.h>

namespace {

TEST(DottedAddress, ValueAndNormalForm) {
    struct Case {
        const char* text;
        std::uint32_t value;
        const char* normal;
    };
    for (const Case& c :
         {Case{"127.0.0.1", 0x7F000001u, "127.0.0.1"}, Case{" 010.000.0.001\t", 0x0A000001u, "10.0.0.1"},
          Case{"255.255.255.255", 0xFFFFFFFFu, "255.255.255.255"}, Case{"0.0.0.1", 1u, "0.0.0.1"}}) {
        const std::optional<Octets> octets = ParseDottedAddress(c.text);
        ASSERT_TRUE(octets.has_value()) << c.text;
        EXPECT_EQ(AddressValue(*octets), c.value) << c.text;
        EXPECT_EQ(FormatDottedAddress(*octets), c.normal) << c.text;
    }
}

TEST(DottedAddress, NoHostNameAndNoZeroAddress) {
    for (const char* text : {"localhost", "0.0.0.0", "127.1", "::1"}) {
        EXPECT_FALSE(ParseDottedAddress(text).has_value()) << text;
    }
}

} // namespace
