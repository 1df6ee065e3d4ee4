#include "CompanionPlacement.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <tuple>

namespace {

// start moved back so that length ends by high, but not before low.
int KeptBetween(int start, int length, int low, int high) {
    return std::max(low, std::min(start, high - length));
}

int Right(const PixelRect& rect) {
    return rect.x + rect.width;
}

int Bottom(const PixelRect& rect) {
    return rect.y + rect.height;
}

bool Inside(const PixelRect& rect, const PixelRect& area) {
    return rect.x >= area.x && rect.y >= area.y && Right(rect) <= Right(area) && Bottom(rect) <= Bottom(area);
}

std::int64_t Overlap(const PixelRect& a, const PixelRect& b) {
    const std::int64_t width = std::max(0, std::min(Right(a), Right(b)) - std::max(a.x, b.x));
    const std::int64_t height = std::max(0, std::min(Bottom(a), Bottom(b)) - std::max(a.y, b.y));
    return width * height;
}

// The least covering place: where the companion's edges meet the work area's, the owner's or
// keepClear's, each moved into the work area.
PixelRect LeastCovering(const PixelRect& owner, const PixelRect& keepClear, int width, int height, int gap,
                        const PixelRect& work) {
    const int xs[] = {
        Right(owner) + gap, owner.x - gap - width, Right(keepClear) + gap, keepClear.x - gap - width, work.x,
        Right(work) - width};
    const int ys[] = {owner.y,
                      Bottom(owner) + gap,
                      owner.y - gap - height,
                      Bottom(keepClear) + gap,
                      keepClear.y - gap - height,
                      work.y,
                      Bottom(work) - height};
    PixelRect best{};
    constexpr std::int64_t kAll = std::numeric_limits<std::int64_t>::max();
    std::tuple<std::int64_t, std::int64_t> bestCover{kAll, kAll};
    for (const int y : ys) {
        for (const int x : xs) {
            const PixelRect place{KeptBetween(x, width, work.x, Right(work)),
                                  KeptBetween(y, height, work.y, Bottom(work)), width, height};
            // The first place met wins a tie: the order above is the order of preference.
            const std::tuple cover{Overlap(place, keepClear), Overlap(place, owner)};
            if (cover < bestCover) {
                best = place;
                bestCover = cover;
            }
        }
    }
    return best;
}

} // namespace

PixelRect PlaceBeside(const PixelRect& owner, const PixelRect& keepClear, int width, int height, int gap,
                      const PixelRect& workArea) {
    const int level = KeptBetween(owner.y, height, workArea.y, Bottom(workArea));
    const int aligned = KeptBetween(owner.x, width, workArea.x, Right(workArea));
    const PixelRect sides[] = {
        {Right(owner) + gap, level, width, height},
        {owner.x - gap - width, level, width, height},
        {aligned, Bottom(owner) + gap, width, height},
        {aligned, owner.y - gap - height, width, height},
    };
    for (const PixelRect& side : sides) {
        if (Inside(side, workArea)) {
            return side;
        }
    }
    return LeastCovering(owner, keepClear, width, height, gap, workArea);
}
