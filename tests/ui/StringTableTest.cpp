#include "resources/StringTable.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

struct ExpectedString {
    int id;
    const char* text;
};

constexpr ExpectedString kExpected[] = {
    {101, "&About VANTREX Configuration..."},
    {103, "Windows sockets initialization failed."},
    {104, "January"},
    {105, "February"},
    {106, "March"},
    {107, "April"},
    {108, "May"},
    {109, "June"},
    {110, "July"},
    {111, "August"},
    {112, "September"},
    {113, "October"},
    {114, "November"},
    {115, "December"},
    {116, "Status"},
    {117, "Connected - Please Wait"},
    {118, "GPS lock"},
    {119, "Time sync"},
    {120, "Close"},
    {121, "Searching for VANTREX device"},
    {122, "Disconnect"},
    {123, "Connection attempt failed"},
    {124, "Error"},
    {125, "Connection has been lost"},
    {126, "Connect"},
    {127, "IP address is not valid"},
    {128, "Subnet mask is not valid"},
    {129, "The unit will now reboot.\nPlease allow 2 minutes for this.\nDo you wish to continue?"},
    {130, "Confirm"},
    {131, "VANTREX Configuration"},
    {132, "Change IP address"},
    {133, "IP address"},
    {134, "Subnet mask"},
    {135, "Apply"},
    {136, "Gateway"},
    {137, "Gateway is not valid"},
    {138, "MAC address not assigned"},
    {139, "MAC Address"},
    {140, "Cancel"},
};

TEST(StringTable, EveryIdGivesItsText) {
    for (const ExpectedString& expected : kExpected) {
        EXPECT_STREQ(LoadStringResource(expected.id), expected.text) << "id " << expected.id;
    }
}

TEST(StringTable, MissingIdsGiveEmptyText) {
    for (int id : {102, 100, 300, 0, -1, 1001}) {
        ASSERT_NE(LoadStringResource(id), nullptr) << "id " << id;
        EXPECT_STREQ(LoadStringResource(id), "") << "id " << id;
    }
}

TEST(StringTable, RebootWarningHasThreeLines) {
    const std::string warning = LoadStringResource(IDS_REBOOT_WARNING);
    EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), 2);
    EXPECT_EQ(warning.find("\\n"), std::string::npos);
}

} // namespace
