#pragma once

#include "ui/DialogUnits.h"

// The gap between a window and the one it opens beside it, in pixels.
inline constexpr int kBesideGapPixels = 8;

// Where a window of width x height goes beside owner, all in screen pixels: to the owner's right, or
// where the work area leaves no room there to its left, else as far right as the area allows; level
// with the owner's top, moved up or down into the area. A window larger than the area starts at the
// area's top left corner, so that its title bar can be reached.
PixelRect PlaceBeside(const PixelRect& owner, int width, int height, const PixelRect& workArea);
