#include "ui/StatusTextPaint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

StatusTextPaintInput Input(int width, int height, int textWidth, int textHeight) {
    return {width, height, textWidth, textHeight, false, true, false};
}

// How often each client pixel is painted: fills clipped to the client area, the text cell to the
// interior, as the control paints them.
std::vector<int> PaintCounts(const StatusTextPaintInput& input, const StatusTextPaintPlan& plan) {
    std::vector<int> counts(static_cast<std::size_t>(input.width * input.height), 0);
    auto add = [&](const PixelRect& rect, const PixelRect& clip) {
        const int top = std::max(rect.y, clip.y);
        const int bottom = std::min(rect.y + rect.height, clip.y + clip.height);
        const int left = std::max(rect.x, clip.x);
        const int right = std::min(rect.x + rect.width, clip.x + clip.width);
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                ++counts[static_cast<std::size_t>(y * input.width + x)];
            }
        }
    };
    for (const StatusTextFill& fill : plan.fills) {
        add(fill.rect, {0, 0, input.width, input.height});
    }
    if (plan.hasText) {
        add(plan.textCell, plan.interior);
    }
    return counts;
}

TEST(StatusTextPaint, EmptyTextPaintsWhite) {
    const StatusTextPaintPlan plan = PlanStatusTextPaint(Input(100, 20, 0, 15));
    EXPECT_FALSE(plan.hasText);
    EXPECT_EQ(plan.fills, (std::vector<StatusTextFill>{{{0, 0, 100, 20}, kStatusWhite}}));
    EXPECT_FALSE(PlanStatusTextPaint(Input(100, 20, 30, 0)).hasText);
}

TEST(StatusTextPaint, FrameIsGreyWhenInactiveAndBlackWhenActive) {
    StatusTextPaintInput input = Input(100, 30, 0, 0);
    input.border = true;
    for (bool active : {false, true}) {
        input.active = active;
        const std::uint32_t ink = active ? kStatusBlack : kStatusGrey;
        const std::vector<StatusTextFill> expected = {{{0, 0, 100, 2}, ink},
                                                      {{0, 28, 100, 2}, ink},
                                                      {{0, 2, 2, 26}, ink},
                                                      {{98, 2, 2, 26}, ink},
                                                      {{2, 2, 96, 26}, kStatusWhite}};
        EXPECT_EQ(PlanStatusTextPaint(input).fills, expected) << "active " << active;
    }
}

TEST(StatusTextPaint, TextStartsFourPixelsInOrCentredWithTruncation) {
    StatusTextPaintInput input = Input(100, 20, 51, 14);
    EXPECT_EQ(PlanStatusTextPaint(input).textCell, (PixelRect{4, 3, 51, 14}));
    input.centred = true;
    const StatusTextPaintPlan plan = PlanStatusTextPaint(input);
    EXPECT_EQ(plan.textCell, (PixelRect{24, 3, 51, 14}));
    const std::vector<StatusTextFill> bands = {{{0, 0, 100, 3}, kStatusWhite},
                                               {{0, 17, 100, 3}, kStatusWhite},
                                               {{0, 3, 24, 14}, kStatusWhite},
                                               {{75, 3, 25, 14}, kStatusWhite}};
    EXPECT_EQ(plan.fills, bands);
}

TEST(StatusTextPaint, WholeWidthIsTheNarrowestThatKeepsTheTextInside) {
    const auto inside = [](const StatusTextPaintPlan& plan) {
        const PixelRect& cell = plan.textCell;
        const PixelRect& interior = plan.interior;
        return cell.x >= interior.x && cell.x + cell.width <= interior.x + interior.width;
    };
    for (const bool border : {false, true}) {
        for (const bool centred : {false, true}) {
            for (const int textWidth : {1, 51, 140}) {
                StatusTextPaintInput input{0, 20, textWidth, 14, border, true, centred};
                input.width = StatusTextWholeWidth(textWidth, border, centred);
                EXPECT_TRUE(inside(PlanStatusTextPaint(input)))
                    << "border " << border << " centred " << centred << " text " << textWidth;
                --input.width;
                EXPECT_FALSE(inside(PlanStatusTextPaint(input)))
                    << "border " << border << " centred " << centred << " text " << textWidth;
            }
        }
    }
}

TEST(StatusTextPaint, TextColourFollowsActive) {
    StatusTextPaintInput input = Input(100, 20, 40, 14);
    EXPECT_EQ(PlanStatusTextPaint(input).textColour, kStatusBlack);
    input.active = false;
    EXPECT_EQ(PlanStatusTextPaint(input).textColour, kStatusGrey);
}

TEST(StatusTextPaint, TextAsTallAsControlLeavesEmptyBandsAboveAndBelow) {
    const StatusTextPaintPlan plan = PlanStatusTextPaint(Input(100, 14, 40, 14));
    EXPECT_EQ(plan.textCell.y, 0);
    EXPECT_EQ(plan.fills[0].rect.height, 0);
    EXPECT_EQ(plan.fills[1].rect.height, 0);
}

TEST(StatusTextPaint, TextWiderThanControlStartsLeftOfIt) {
    StatusTextPaintInput input = Input(100, 20, 121, 14);
    input.centred = true;
    EXPECT_EQ(PlanStatusTextPaint(input).textCell.x, -10); // (100 - 121) / 2 truncates toward zero
}

TEST(StatusTextPaint, FramedTextStaysInsideTheFrame) {
    StatusTextPaintInput input = Input(100, 30, 51, 14);
    input.border = true;
    input.centred = true;
    const StatusTextPaintPlan plan = PlanStatusTextPaint(input);
    EXPECT_EQ(plan.interior, (PixelRect{2, 2, 96, 26}));
    EXPECT_EQ(plan.textCell, (PixelRect{24, 8, 51, 14})); // 2 + (96 - 51) / 2, 2 + (26 - 14) / 2
    for (std::size_t i = 4; i < plan.fills.size(); ++i) {
        const PixelRect& band = plan.fills[i].rect;
        EXPECT_GE(band.x, 2);
        EXPECT_GE(band.y, 2);
        EXPECT_LE(band.x + band.width, 98);
        EXPECT_LE(band.y + band.height, 28);
    }
}

TEST(StatusTextPaint, EveryPixelIsPaintedExactlyOnce) {
    const StatusTextPaintInput inputs[] = {
        {100, 20, 51, 14, false, true, true}, {100, 20, 51, 14, false, false, false},
        {100, 30, 51, 14, true, true, true},  {37, 13, 20, 13, true, false, false},
        {100, 20, 0, 0, true, true, true},    {60, 14, 50, 14, false, true, true},
    };
    for (const StatusTextPaintInput& input : inputs) {
        const std::vector<int> counts = PaintCounts(input, PlanStatusTextPaint(input));
        EXPECT_EQ(std::count(counts.begin(), counts.end(), 1), static_cast<long>(counts.size()))
            << input.width << "x" << input.height << " text " << input.textWidth << " border "
            << input.border;
    }
}

} // namespace
