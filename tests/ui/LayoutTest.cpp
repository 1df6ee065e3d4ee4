#include "ui/Layout.h"
#include "ui/LayoutFlow.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

// Failures name the control and its rectangle instead of dumping bytes.
void PrintTo(const Placement& placement, std::ostream* out) {
    const LayoutRect& r = placement.rect;
    *out << placement.controlId << " {" << r.x << ", " << r.y << ", " << r.w << ", " << r.h << "} mode "
         << static_cast<int>(placement.mode);
}

namespace {

constexpr PlacementMode kMove = PlacementMode::Move;
constexpr PlacementMode kResize = PlacementMode::MoveResize;

// The worked example's window: the sizes the layout keeps are those of the template at 96 dpi; every
// position, and every size the layout computes, is deliberately off so that only the rules can fix it.
LayoutInput WorkedExample(bool dhcpShown) {
    LayoutInput input;
    input.client = {459, 530};
    input.margin = 14;
    input.dpi = 96;
    input.dhcpShown = dhcpShown;
    input.logoBitmapWidth = 81;
    input.controls = {{1006, {5, 5, 81, 79}},    {1003, {1, 2, 3, 4}},      {1001, {7, 7, 50, 23}},
                      {1013, {9, 9, 74, 30}},    {1004, {1, 1, 1, 1}},      {1023, {2, 2, 2, 2}},
                      {1020, {3, 3, 3, 3}},      {1028, {4, 4, 4, 4}},      {1027, {5, 5, 5, 5}},
                      {1018, {6, 6, 24, 24}},    {1019, {7, 7, 24, 24}},    {1021, {8, 8, 8, 8}},
                      {1022, {9, 9, 9, 9}},      {1005, {10, 10, 10, 10}},  {1016, {11, 11, 60, 12}},
                      {1007, {12, 12, 125, 23}}, {1008, {13, 13, 125, 23}}, {1012, {14, 14, 125, 23}},
                      {1010, {15, 15, 15, 15}},  {1011, {16, 16, 16, 16}},  {1014, {17, 17, 17, 17}},
                      {1009, {18, 18, 104, 20}}, {1015, {19, 19, 19, 19}},  {1024, {20, 20, 40, 63}},
                      {1017, {21, 21, 21, 21}},  {1025, {22, 22, 22, 22}},  {1026, {23, 23, 23, 23}},
                      {1029, {24, 24, 24, 24}}};
    return input;
}

std::vector<Placement> Layout(const LayoutInput& input) {
    const std::optional<std::vector<Placement>> placements = ComputeLayout(input);
    return placements.value_or(std::vector<Placement>{});
}

LayoutRect PlacedRect(const std::vector<Placement>& placements, int id) {
    for (const Placement& placement : placements) {
        if (placement.controlId == id) {
            return placement.rect;
        }
    }
    ADD_FAILURE() << "control " << id << " was not placed";
    return {};
}

TEST(Layout, WorkedExampleWithoutDhcpBox) {
    const std::vector<Placement> expected = {
        {1006, {364, 14, 81, 79}, kMove},     {1003, {14, 14, 336, 79}, kResize},
        {1013, {262, 46, 74, 23}, kResize},   {1001, {28, 46, 220, 23}, kResize},
        {1004, {14, 107, 431, 174}, kResize}, {1023, {28, 125, 403, 142}, kResize},
        {1020, {72, 137, 345, 24}, kResize},  {1028, {72, 168, 345, 24}, kResize},
        {1018, {102, 199, 24, 24}, kMove},    {1019, {102, 230, 24, 24}, kMove},
        {1021, {140, 199, 277, 24}, kResize}, {1022, {140, 230, 277, 24}, kResize},
        {1027, {317, 249, 100, 14}, kResize}, {1029, {317, 263, 100, 0}, kResize},
        {1005, {14, 295, 431, 144}, kResize}, {1007, {28, 322, 125, 23}, kResize},
        {1008, {28, 359, 125, 23}, kResize},  {1012, {28, 396, 125, 23}, kResize},
        {1009, {327, 322, 104, 97}, kResize}, {1010, {167, 322, 160, 23}, kResize},
        {1011, {167, 359, 160, 23}, kResize}, {1014, {167, 396, 160, 23}, kResize},
        {1024, {327, 453, 104, 63}, kResize}, {1015, {14, 453, 313, 63}, kResize}};
    EXPECT_EQ(Layout(WorkedExample(false)), expected);
}

TEST(Layout, WorkedExampleWithDhcpBoxShown) {
    const std::vector<Placement> placements = Layout(WorkedExample(true));
    ASSERT_EQ(placements.size(), 25u);
    EXPECT_EQ(placements[15].controlId, 1016);
    EXPECT_EQ(PlacedRect(placements, 1004).h, 149);
    EXPECT_EQ(PlacedRect(placements, 1005), (LayoutRect{14, 270, 431, 169}));
    EXPECT_EQ(PlacedRect(placements, 1016), (LayoutRect{28, 291, 125, 23}));
    EXPECT_EQ(PlacedRect(placements, 1007).y, 328);
    EXPECT_EQ(PlacedRect(placements, 1008).y, 365);
    EXPECT_EQ(PlacedRect(placements, 1012).y, 402);
    EXPECT_EQ(PlacedRect(placements, 1009), (LayoutRect{327, 291, 104, 134}));
}

TEST(Layout, SecondPassOverItsOwnOutputChangesNothing) {
    for (const bool dhcpShown : {false, true}) {
        LayoutInput input = WorkedExample(dhcpShown);
        const std::vector<Placement> first = Layout(input);
        for (const Placement& placement : first) {
            input.controls[placement.controlId] = placement.rect;
        }
        EXPECT_EQ(Layout(input), first);
    }
}

TEST(Layout, ShortLogoIsCentredInA64PixelBand) {
    LayoutInput input = WorkedExample(false);
    input.controls[1006] = {0, 0, 81, 60};
    const std::vector<Placement> placements = Layout(input);
    EXPECT_EQ(PlacedRect(placements, 1006).y, 16);
    EXPECT_EQ(PlacedRect(placements, 1003).h, 64);
}

TEST(Layout, VersionLineIsATenPointLineAtTheScreenResolution) {
    LayoutInput input = WorkedExample(false);
    input.dpi = 0;
    EXPECT_EQ(PlacedRect(Layout(input), 1027).h, 14);
    input.dpi = 120;
    EXPECT_EQ(PlacedRect(Layout(input), 1027).h, 17);
}

TEST(Layout, VersionLineWidensToTheLeftForItsTextUpToTheFrameMargin) {
    struct VersionCase {
        int textWidth;
        int x;
        int w;
    };
    // The time-sync caption ends at 417; the frame's inner margin is at 28 + 14.
    for (const auto& [textWidth, x, w] :
         {VersionCase{0, 317, 100}, VersionCase{100, 317, 100}, VersionCase{101, 316, 101},
          VersionCase{375, 42, 375}, VersionCase{600, 42, 375}}) {
        LayoutInput input = WorkedExample(false);
        input.versionTextWidth = textWidth;
        EXPECT_EQ(PlacedRect(Layout(input), 1027), (LayoutRect{x, 249, w, 14})) << "text width " << textWidth;
    }
}

// In a window grown by the line's room (18 pixels), only the status group grows: the rows stay where they
// were with the version line beside them, and the address panel keeps its size.
TEST(Layout, LeapSecondLineGrowsTheFrameByItsOwnLineUnderTheVersion) {
    struct LeapCase {
        int textWidth;
        LayoutRect leapLine;
    };
    for (const auto& [textWidth, leapLine] :
         {LeapCase{250, {167, 267, 250, 14}}, LeapCase{400, {42, 267, 375, 14}}}) {
        LayoutInput input = WorkedExample(false);
        input.leapTextWidth = textWidth;
        input.client.h += LeapLineRoom(input);
        const std::vector<Placement> placements = Layout(input);
        EXPECT_EQ(PlacedRect(placements, 1029), leapLine) << "text width " << textWidth;
        EXPECT_EQ(PlacedRect(placements, 1027), (LayoutRect{317, 253, 100, 14}));
        EXPECT_EQ(PlacedRect(placements, 1022), (LayoutRect{140, 230, 277, 24}));
        EXPECT_EQ(PlacedRect(placements, 1005), (LayoutRect{14, 313, 431, 144}));
    }
}

TEST(Layout, MissingControlPlacesNothing) {
    LayoutInput input = WorkedExample(false);
    input.controls.erase(1016);
    EXPECT_TRUE(ComputeLayout(input).has_value()) << "a hidden DHCP box is not read";
    input.dhcpShown = true;
    EXPECT_FALSE(ComputeLayout(input).has_value());
    input = WorkedExample(false);
    input.controls.erase(1024);
    EXPECT_FALSE(ComputeLayout(input).has_value());
}

TEST(Layout, TinyClientAreaGivesNoNegativeSizes) {
    LayoutInput input = WorkedExample(true);
    input.client = {20, 20};
    const std::vector<Placement> placements = Layout(input);
    ASSERT_FALSE(placements.empty());
    for (const Placement& placement : placements) {
        EXPECT_GE(placement.rect.w, 0) << placement.controlId;
        EXPECT_GE(placement.rect.h, 0) << placement.controlId;
    }
}

TEST(Layout, WindowGrowsOnlyForALogoBeyond140By80) {
    const LayoutSize outer{475, 569};
    EXPECT_EQ(GrownWindowSize(outer, {160, 100}), (LayoutSize{495, 589}));
    EXPECT_EQ(GrownWindowSize(outer, {140, 80}), outer);
    EXPECT_EQ(GrownWindowSize(outer, {81, 79}), outer);
    EXPECT_EQ(GrownWindowSize(outer, {200, 50}), (LayoutSize{535, 569}));
}

// A window whose measurements are the worked example's, recording what the flow does to it.
class CRecordingSurface : public CLayoutSurface {
public:
    bool HasControls() const override { return controlsExist; }
    LayoutSize WindowSize() const override { return kWindow; }
    LayoutSize LogoSize() const override { return kLogo; }
    void ResizeWindow(LayoutSize size) override { resizes.push_back(size); }
    LayoutInput Measure() const override {
        LayoutInput input = WorkedExample(false);
        input.leapTextWidth = leapTextWidth;
        return input;
    }
    void Apply(const std::vector<Placement>& placements) override { applied.push_back(placements); }

    static constexpr LayoutSize kWindow{475, 569};
    static constexpr LayoutSize kLogo{160, 100};
    bool controlsExist = false;
    int leapTextWidth = 0;
    std::vector<LayoutSize> resizes;
    std::vector<std::vector<Placement>> applied;
};

TEST(LayoutFlow, GrowsOnceOnTheFirstPassWithControlsAndPlacesOnEveryPass) {
    CRecordingSurface surface;
    CLayoutFlow flow;
    flow.Run(surface, true);
    EXPECT_TRUE(surface.resizes.empty());
    EXPECT_TRUE(surface.applied.empty());

    surface.controlsExist = true;
    flow.Run(surface, true);
    flow.Run(surface, true);
    EXPECT_EQ(surface.resizes,
              std::vector<LayoutSize>{GrownWindowSize(CRecordingSurface::kWindow, CRecordingSurface::kLogo)});
    ASSERT_EQ(surface.applied.size(), 2u);
    EXPECT_EQ(surface.applied[1], Layout(WorkedExample(true))); // the DHCP box's room comes from the flow
}

TEST(LayoutFlow, GrowsForTheLeapLineOnceWhileItShowsAndGivesTheRoomBackAfter) {
    CRecordingSurface surface;
    surface.controlsExist = true;
    CLayoutFlow flow;
    flow.Run(surface, false);
    surface.resizes.clear();
    for (const int leapTextWidth : {250, 260, 0, 0}) {
        surface.leapTextWidth = leapTextWidth;
        flow.Run(surface, false);
    }
    // The recording window keeps its size, so each change is against the same 569 pixels.
    EXPECT_EQ(surface.resizes, (std::vector<LayoutSize>{{475, 587}, {475, 551}}));
}

} // namespace
