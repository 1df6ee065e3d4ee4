#include "CompanionPlacement.h"

#include <algorithm>

namespace {

// start moved back so that length ends by high, but not before low.
int KeptBetween(int start, int length, int low, int high) {
    return std::max(low, std::min(start, high - length));
}

} // namespace

PixelRect PlaceBeside(const PixelRect& owner, int width, int height, int gap, const PixelRect& workArea) {
    const int workRight = workArea.x + workArea.width;
    const int right = owner.x + owner.width + gap;
    const int left = owner.x - gap - width;
    int x = KeptBetween(right, width, workArea.x, workRight);
    if (right + width <= workRight) {
        x = right;
    } else if (left >= workArea.x) {
        x = left;
    }
    return {x, KeptBetween(owner.y, height, workArea.y, workArea.y + workArea.height), width, height};
}
