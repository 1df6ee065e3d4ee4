#include "WindowBeside.h"

#include <algorithm>

namespace {

// start moved into [low, high - length], the low end winning when length does not fit.
int Inside(int start, int length, int low, int high) {
    return std::max(low, std::min(start, high - length));
}

int LeftEdge(const PixelRect& owner, int width, const PixelRect& workArea) {
    const int right = workArea.x + workArea.width;
    const int besideRight = owner.x + owner.width + kBesideGapPixels;
    if (besideRight + width <= right) {
        return besideRight;
    }
    const int besideLeft = owner.x - kBesideGapPixels - width;
    if (besideLeft >= workArea.x) {
        return besideLeft;
    }
    return Inside(besideRight, width, workArea.x, right);
}

} // namespace

PixelRect PlaceBeside(const PixelRect& owner, int width, int height, const PixelRect& workArea) {
    return {LeftEdge(owner, width, workArea),
            Inside(owner.y, height, workArea.y, workArea.y + workArea.height), width, height};
}
