#include "ui/CompanionPlacement.h"

#include <gtest/gtest.h>

namespace {

// A 1024 x 738 work area (a task bar of 30 pixels below) and a companion of 630 x 480, 8 pixels apart.
constexpr PixelRect kWorkArea{0, 0, 1024, 738};
constexpr int kWidth = 630;
constexpr int kHeight = 480;
constexpr int kGap = 8;

struct Case {
    const char* name;
    PixelRect owner;
    PixelRect expected;
};

TEST(CompanionPlacement, GoesRightThenLeftOfItsOwnerAndStaysInTheWorkArea) {
    const Case cases[] = {
        {"room on the right", {10, 100, 300, 400}, {318, 100, kWidth, kHeight}},
        {"room on the left only", {700, 100, 300, 400}, {62, 100, kWidth, kHeight}},
        {"room on neither side", {300, 100, 400, 400}, {394, 100, kWidth, kHeight}},
        {"owner low on the screen", {10, 500, 300, 200}, {318, 258, kWidth, kHeight}},
        {"owner above the work area", {10, -20, 300, 400}, {318, 0, kWidth, kHeight}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlaceBeside(c.owner, kWidth, kHeight, kGap, kWorkArea), c.expected) << c.name;
    }
}

} // namespace
