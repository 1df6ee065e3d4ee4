#include "ui/RecentAddresses.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Addresses = std::vector<std::string>;

// "10.0.0.1" ... "10.0.0.count"
Addresses Numbered(int count) {
    Addresses addresses;
    for (int host = 1; host <= count; ++host) {
        addresses.push_back("10.0.0." + std::to_string(host));
    }
    return addresses;
}

struct AddCase {
    const char* name;
    Addresses before;
    std::string added;
    Addresses after;
};

TEST(RecentAddresses, TheConnectedAddressGoesFirstOnceAndTheOldestBeyondTenGo) {
    Addresses fullAfter = Numbered(9);
    fullAfter.insert(fullAfter.begin(), "10.0.0.99");
    const AddCase cases[] = {
        {"first", {}, "10.0.0.1", {"10.0.0.1"}},
        {"new", {"10.0.0.1"}, "10.0.0.2", {"10.0.0.2", "10.0.0.1"}},
        {"again", {"10.0.0.1", "10.0.0.2", "10.0.0.3"}, "10.0.0.2", {"10.0.0.2", "10.0.0.1", "10.0.0.3"}},
        {"full", Numbered(10), "10.0.0.99", fullAfter},
    };
    for (const AddCase& c : cases) {
        EXPECT_EQ(AddRecentAddress(c.before, c.added), c.after) << c.name;
    }
}

TEST(RecentAddresses, StoredListKeepsOnlyCheckedAddressesInNormalFormOnceAndTenAtMost) {
    Addresses stored{" 10.0.0.1 ", "nonsense", "10.0.0.001", "1.2.3", "0.0.0.0", ""};
    const Addresses more = Numbered(12);
    stored.insert(stored.end(), more.begin(), more.end());
    EXPECT_EQ(CleanRecentAddresses(stored), Numbered(10));
}

} // namespace
