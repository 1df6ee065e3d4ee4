// The fleet's page made beside the loop.
#include "exporter/PageMaker.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::shared_ptr<const CFleetMemory> MemoryListing(const std::string& address) {
    auto memory = std::make_shared<CFleetMemory>(HealthLimits());
    memory->Keep({address});
    return memory;
}

bool PageLists(const CPageMaker& maker, const std::string& address) {
    const FleetPage page = maker.Page();
    return page.text && page.deflated && page.text->find('"' + address + '"') != std::string::npos;
}

// Before its thread runs the page is made at once; after, asked faster than it makes them, the page it
// ends with is the last asked for, whichever were skipped between, and says so by the ask's number.
TEST(PageMakerTest, ShowsTheLastPageAskedFor) {
    CPageMaker maker;
    EXPECT_EQ(maker.MadeFor(), 0u);
    EXPECT_EQ(maker.Ask(MemoryListing("127.0.190.1"), 0), 1u);
    EXPECT_TRUE(PageLists(maker, "127.0.190.1"));
    EXPECT_EQ(maker.MadeFor(), 1u);
    ASSERT_TRUE(maker.Start());
    for (int device = 2; device <= 50; ++device) {
        maker.Ask(MemoryListing("127.0.190." + std::to_string(device)), 0);
    }
    // Cleared before each look, so that a page made after it sets the signal again.
    for (;;) {
        (void)maker.StateSignal().Reset();
        if (PageLists(maker, "127.0.190.50")) {
            break;
        }
        ASSERT_TRUE(maker.StateSignal().Wait(5000)) << "no page made within 5 s";
    }
    EXPECT_EQ(maker.MadeFor(), 50u);
}

} // namespace
