#include "StatusTextPaint.h"

#include <algorithm>

namespace {

// Where a text that is not centred starts, inside the frame.
constexpr int kUncentredTextInset = 4;

void AddFrame(const StatusTextPaintInput& input, std::uint32_t colour, std::vector<StatusTextFill>& fills) {
    const int w = input.width;
    const int h = input.height;
    const int f = kStatusFrameWidth;
    fills.push_back({{0, 0, w, f}, colour});
    fills.push_back({{0, h - f, w, f}, colour});
    fills.push_back({{0, f, f, h - 2 * f}, colour});
    fills.push_back({{w - f, f, f, h - 2 * f}, colour});
}

// The four background bands around the text cell, inside the interior: above, below, left, right.
// The side bands span the cell's rows, cut to the interior so that a tall text cannot paint over the
// frame.
void AddBandsAround(const PixelRect& inside, const PixelRect& cell, std::vector<StatusTextFill>& fills) {
    const int right = inside.x + inside.width;
    const int bottom = inside.y + inside.height;
    const int cellRight = cell.x + cell.width;
    const int cellBottom = cell.y + cell.height;
    const int sideTop = std::max(cell.y, inside.y);
    const int sideHeight = std::min(cellBottom, bottom) - sideTop;
    fills.push_back({{inside.x, inside.y, inside.width, cell.y - inside.y}, kStatusWhite});
    fills.push_back({{inside.x, cellBottom, inside.width, bottom - cellBottom}, kStatusWhite});
    fills.push_back({{inside.x, sideTop, cell.x - inside.x, sideHeight}, kStatusWhite});
    fills.push_back({{cellRight, sideTop, right - cellRight, sideHeight}, kStatusWhite});
}

} // namespace

StatusTextPaintPlan PlanStatusTextPaint(const StatusTextPaintInput& input) {
    const std::uint32_t ink = input.active ? kStatusBlack : kStatusGrey;
    StatusTextPaintPlan plan{{}, false, {0, 0, 0, 0}, ink, {0, 0, input.width, input.height}};
    if (input.border) {
        AddFrame(input, ink, plan.fills);
        const int f = kStatusFrameWidth;
        plan.interior = {f, f, input.width - 2 * f, input.height - 2 * f};
    }
    const PixelRect& inside = plan.interior;
    if (input.textWidth == 0 || input.textHeight == 0) {
        plan.fills.push_back({inside, kStatusWhite});
        return plan;
    }
    // Truncating division and no clamping: a text wider or taller than the control starts before its
    // edge and is cut off there.
    const int left = input.centred ? (inside.width - input.textWidth) / 2 : kUncentredTextInset;
    const int top = (inside.height - input.textHeight) / 2;
    plan.hasText = true;
    plan.textCell = {inside.x + left, inside.y + top, input.textWidth, input.textHeight};
    AddBandsAround(inside, plan.textCell, plan.fills);
    return plan;
}

int StatusTextWholeWidth(int textWidth, bool border, bool centred) {
    if (textWidth == 0) {
        return 0;
    }
    return textWidth + (centred ? 0 : kUncentredTextInset) + (border ? 2 * kStatusFrameWidth : 0);
}
