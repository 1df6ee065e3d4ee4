#pragma once

#include "DialogUnits.h"

// Where a companion window of width x height goes beside its owner, in screen pixels: right of it, gap
// apart, when it fits in the work area there, else left of it, else as far right as the work area lets
// it; level with the owner's top, moved up to end in the work area but never above it.
PixelRect PlaceBeside(const PixelRect& owner, int width, int height, int gap, const PixelRect& workArea);
