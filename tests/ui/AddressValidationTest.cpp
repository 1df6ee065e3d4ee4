#include "ui/AddressValidation.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const char* kMask = "255.255.255.0";
constexpr const char* kGateway = "10.0.0.1";

AddressField FirstInvalid(const std::string& ip, const std::string& mask, const std::string& gateway) {
    return CheckAddressChange(false, ip, mask, gateway).invalidField;
}

TEST(AddressValidation, ValidTextsPassInTheirNormalForm) {
    const AddressCheck plain = CheckAddressChange(false, "10.0.0.5", kMask, kGateway);
    EXPECT_EQ(plain.invalidField, AddressField::None);
    EXPECT_EQ(plain.ip, "10.0.0.5");
    EXPECT_EQ(plain.mask, kMask);
    EXPECT_EQ(plain.gateway, kGateway);

    const AddressCheck padded =
        CheckAddressChange(false, "10.0.0.5 ", "\t255.255.255.000", " 010.000.0.001 ");
    EXPECT_EQ(padded.invalidField, AddressField::None);
    EXPECT_EQ(padded.ip, "10.0.0.5");
    EXPECT_EQ(padded.mask, kMask);
    EXPECT_EQ(padded.gateway, kGateway);
}

TEST(AddressValidation, RejectsAnythingButFourNumbersFrom0To255) {
    for (const char* ip : {"0.0.0.0", "1.2.3", "", "   ", "999.1.1.1", "256.1.1.1", "1.2.3.4.5", "-1.2.3.4",
                           "+1.2.3.4", "1..2.3", "1.2.3.4.", ".1.2.3", "0001.2.3.4", "1. 2.3.4", "1.2.3.4x",
                           "a.b.c.d", "0x1.2.3.4", "1.2.3.4\n", "1,2,3,4"}) {
        EXPECT_EQ(FirstInvalid(ip, kMask, kGateway), AddressField::IpAddress) << '"' << ip << '"';
    }
}

TEST(AddressValidation, RejectsShellCommandsAfterAnAddress) {
    for (const char* hostile : {"10.0.0.5; reboot", "10.0.0.5' > /etc/passwd; echo '", "10.0.0.5\nreboot",
                                "10.0.0.5 && reboot", "$(reboot)"}) {
        EXPECT_EQ(FirstInvalid(hostile, kMask, kGateway), AddressField::IpAddress) << hostile;
        EXPECT_EQ(FirstInvalid("10.0.0.5", hostile, kGateway), AddressField::SubnetMask) << hostile;
        EXPECT_EQ(FirstInvalid("10.0.0.5", kMask, hostile), AddressField::Gateway) << hostile;
    }
}

TEST(AddressValidation, MaskOneBitsMustRunFromTheTop) {
    for (const char* mask :
         {"255.255.255.0", "255.255.255.255", "128.0.0.0", "255.255.254.0", "255.255.255.252"}) {
        EXPECT_EQ(FirstInvalid("10.0.0.5", mask, kGateway), AddressField::None) << mask;
    }
    for (const char* mask : {"255.0.255.0", "0.0.0.0", "255.255.255.1", "0.255.255.255", "255.255.253.0"}) {
        EXPECT_EQ(FirstInvalid("10.0.0.5", mask, kGateway), AddressField::SubnetMask) << mask;
    }
}

TEST(AddressValidation, NamesTheFirstInvalidFieldInOrder) {
    EXPECT_EQ(FirstInvalid("0.0.0.0", "1.2", ""), AddressField::IpAddress);
    EXPECT_EQ(FirstInvalid("10.0.0.5", "1.2", ""), AddressField::SubnetMask);
    EXPECT_EQ(FirstInvalid("10.0.0.5", kMask, ""), AddressField::Gateway);
    EXPECT_EQ(InvalidFieldMessageId(AddressField::IpAddress), 127);
    EXPECT_EQ(InvalidFieldMessageId(AddressField::SubnetMask), 128);
    EXPECT_EQ(InvalidFieldMessageId(AddressField::Gateway), 137);
}

TEST(AddressValidation, DhcpSendsZerosWithoutChecking) {
    const AddressCheck check = CheckAddressChange(true, "garbage; reboot", "", "");
    EXPECT_EQ(check.invalidField, AddressField::None);
    EXPECT_EQ(check.ip, "0.0.0.0");
    EXPECT_EQ(check.mask, "0.0.0.0");
    EXPECT_EQ(check.gateway, "0.0.0.0");
}

} // namespace
