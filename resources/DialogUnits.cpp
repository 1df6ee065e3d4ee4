#include "DialogUnits.h"

#include <cstdint>
#include <limits>

namespace {

// Base units of the dialog font at 96 dpi: pixels per 4 horizontal and per 8 vertical dialog units.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

// Beyond this the scaled base units would overflow; no screen comes near it.
constexpr int kMaxDpi = 100 * kDefaultDpi;

int EffectiveDpi(int dpi) {
    return dpi > 0 && dpi <= kMaxDpi ? dpi : kDefaultDpi;
}

} // namespace

int RoundedMulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) {
        return -1;
    }
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    const std::int64_t productSize = product < 0 ? -product : product;
    const std::int64_t divisorSize = denominator < 0 ? -std::int64_t{denominator} : denominator;
    const std::int64_t quotientSize = (productSize + divisorSize / 2) / divisorSize;
    if (quotientSize > std::numeric_limits<int>::max()) {
        return -1;
    }
    const bool negative = (product < 0) != (denominator < 0);
    return static_cast<int>(negative ? -quotientSize : quotientSize);
}

int DialogUnitsToPixelsX(int units, int dpi) {
    return RoundedMulDiv(units, kBaseUnitX * EffectiveDpi(dpi), 4 * kDefaultDpi);
}

int DialogUnitsToPixelsY(int units, int dpi) {
    return RoundedMulDiv(units, kBaseUnitY * EffectiveDpi(dpi), 8 * kDefaultDpi);
}

PixelRect DialogRectToPixels(const DialogRect& rect, int dpi) {
    return {DialogUnitsToPixelsX(rect.x, dpi), DialogUnitsToPixelsY(rect.y, dpi),
            DialogUnitsToPixelsX(rect.width, dpi), DialogUnitsToPixelsY(rect.height, dpi)};
}
