// The fleet's page made beside the loop.
#include "exporter/PageMaker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

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
// ends with is the last asked for, whichever were skipped between.
TEST(PageMakerTest, ShowsTheLastPageAskedFor) {
    CPageMaker maker;
    maker.Ask(MemoryListing("127.0.190.1"), 0);
    EXPECT_TRUE(PageLists(maker, "127.0.190.1"));
    ASSERT_TRUE(maker.Start());
    for (int device = 2; device <= 50; ++device) {
        maker.Ask(MemoryListing("127.0.190." + std::to_string(device)), 0);
    }
    for (int wait = 0; wait < 500 && !PageLists(maker, "127.0.190.50"); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(PageLists(maker, "127.0.190.50"));
}

} // namespace
