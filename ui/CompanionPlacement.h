#pragma once

#include "resources/DialogUnits.h"

// Where a companion window of width x height goes beside its owner, in screen pixels, gap apart, inside
// the work area: right of the owner, else left, below, above, the first where it fits whole (level with
// the owner's top or left edge, moved back into the work area along that edge). Where none fits, the
// place in the work area that covers the least of the owner without covering keepClear (the owner's
// status area), or, where every place covers it, the least of keepClear.
PixelRect PlaceBeside(const PixelRect& owner, const PixelRect& keepClear, int width, int height, int gap,
                      const PixelRect& workArea);
