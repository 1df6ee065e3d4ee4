#include "ui/AboutCommand.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// Windows may set the low four bits of a system command for its own use; they must not hide the item.
TEST(AboutCommand, OnlyBitsFourToFifteenAreCompared) {
    const struct {
        std::uint64_t command;
        bool about;
    } cases[] = {{0x0010, true}, {0x0013, true}, {0x0020, false}, {0xF060, false}, {0, false}};
    for (const auto& [command, about] : cases) {
        EXPECT_EQ(IsAboutCommand(command), about) << std::hex << command;
    }
}

} // namespace
