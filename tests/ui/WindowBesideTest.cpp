#include "ui/WindowBeside.h"

#include <gtest/gtest.h>

namespace {

struct BesideCase {
    const char* name;
    PixelRect owner;
    PixelRect expected; // for a 600 x 400 window in a 1366 x 728 work area
};

class WindowBeside : public testing::TestWithParam<BesideCase> {};

TEST_P(WindowBeside, StaysInsideTheWorkAreaBesideItsOwner) {
    const BesideCase& c = GetParam();
    EXPECT_EQ(PlaceBeside(c.owner, 600, 400, {0, 0, 1366, 728}), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Placements, WindowBeside,
    testing::Values(BesideCase{"RoomOnTheRight", {100, 50, 460, 490}, {568, 50, 600, 400}},
                    BesideCase{"NoRoomRightButLeft", {700, 50, 460, 490}, {92, 50, 600, 400}},
                    BesideCase{"NoRoomEitherSide", {453, 100, 460, 490}, {766, 100, 600, 400}},
                    BesideCase{"OwnerLowOnTheScreen", {100, 500, 460, 490}, {568, 328, 600, 400}},
                    BesideCase{"OwnerAboveTheArea", {100, -80, 460, 490}, {568, 0, 600, 400}}),
    [](const testing::TestParamInfo<BesideCase>& info) { return std::string(info.param.name); });

TEST(WindowBesideLarge, AWindowLargerThanTheAreaStartsAtItsTopLeftCorner) {
    EXPECT_EQ(PlaceBeside({100, 50, 460, 490}, 1600, 900, {0, 20, 1366, 728}), (PixelRect{0, 20, 1600, 900}));
}

} // namespace
