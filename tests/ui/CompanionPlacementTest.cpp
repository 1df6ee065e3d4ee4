#include "ui/CompanionPlacement.h"

#include <gtest/gtest.h>

namespace {

constexpr int kGap = 8;

struct Case {
    const char* name;
    PixelRect workArea;
    PixelRect owner;
    PixelRect status; // the owner's status area
    int width;
    int height;
    PixelRect expected;
};

// The main window's status area at 96 dpi: its group box, 11 to 448 across and 113 to 238 down the frame.
constexpr PixelRect StatusOf(const PixelRect& owner) {
    return {owner.x + 11, owner.y + 113, 437, 125};
}

// The main window and the log window at 96 and 144 dpi, in their frames (as Wine draws them).
constexpr int kOwnerWidth = 467;
constexpr int kOwnerHeight = 560;
constexpr int kLogWidth = 638;
constexpr int kLogHeight = 520;
constexpr PixelRect kOwnerIn1600{566, 320, kOwnerWidth, kOwnerHeight};
constexpr PixelRect kOwnerIn1280{406, 226, kOwnerWidth, kOwnerHeight};
constexpr PixelRect kOwner144{506, 189, 696, 822};

TEST(CompanionPlacement, TriesRightLeftBelowAboveThenCoversTheLeastOfTheOwnerAndNeverItsStatus) {
    const PixelRect work{0, 0, 1024, 738}; // a task bar of 30 pixels below
    const Case cases[] = {
        {"room on the right",
         work,
         {10, 100, 300, 400},
         StatusOf({10, 100, 300, 400}),
         630,
         480,
         {318, 100, 630, 480}},
        {"room on the left only",
         work,
         {700, 100, 300, 400},
         StatusOf({700, 100, 300, 400}),
         630,
         480,
         {62, 100, 630, 480}},
        {"owner low on the screen",
         work,
         {10, 500, 300, 200},
         StatusOf({10, 500, 300, 200}),
         630,
         480,
         {318, 258, 630, 480}},
        {"owner above the work area",
         work,
         {10, -20, 300, 400},
         StatusOf({10, -20, 300, 400}),
         630,
         480,
         {318, 0, 630, 480}},
        {"room nowhere, the status area in every place: the least of it",
         work,
         {300, 100, 400, 400},
         StatusOf({300, 100, 400, 400}),
         630,
         480,
         {0, 258, 630, 480}},
        {"room below only",
         work,
         {300, 10, 500, 300},
         StatusOf({300, 10, 500, 300}),
         630,
         400,
         {300, 318, 630, 400}},
        {"room above only",
         work,
         {300, 430, 500, 300},
         StatusOf({300, 430, 500, 300}),
         630,
         400,
         {300, 22, 630, 400}},
        // The window's own sizes on the screens where it was tried.
        {"96 dpi on a 1600 x 1200 screen: in the corner below the status area",
         {0, 0, 1600, 1170},
         kOwnerIn1600,
         StatusOf(kOwnerIn1600),
         kLogWidth,
         kLogHeight,
         {962, 650, kLogWidth, kLogHeight}},
        {"96 dpi under Wine on a 1280 x 1024 screen: below the status area",
         {0, 0, 1280, 1024},
         kOwnerIn1280,
         StatusOf(kOwnerIn1280),
         kLogWidth,
         kLogHeight,
         {642, 504, kLogWidth, kLogHeight}},
        {"144 dpi on a 1920 x 1200 screen: the least of the status area there is",
         {0, 0, 1920, 1170},
         kOwner144,
         {kOwner144.x + 16, kOwner144.y + 170, 656, 188},
         957,
         780,
         {963, 390, 957, 780}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlaceBeside(c.owner, c.status, c.width, c.height, kGap, c.workArea), c.expected) << c.name;
    }
}

} // namespace
