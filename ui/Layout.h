#pragma once

#include <map>
#include <optional>
#include <vector>

// A rectangle in the main window's client coordinates, in pixels.
struct LayoutRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;

    // The first column right of the rectangle.
    int Right() const { return x + w; }
    // The first row below the rectangle.
    int Bottom() const { return y + h; }
    bool operator==(const LayoutRect&) const = default;
};

struct LayoutSize {
    int w = 0;
    int h = 0;
    bool operator==(const LayoutSize&) const = default;
};

// How a control takes its new rectangle: moved with its size kept, or moved and resized. The stacking
// order is never changed: the status frame must stay beneath the lines, lamps and captions drawn on it.
enum class PlacementMode { Move, MoveResize };

struct Placement {
    int controlId = 0;
    LayoutRect rect;
    PlacementMode mode = PlacementMode::MoveResize;
    bool operator==(const Placement&) const = default;
};

// What one layout pass reads: the client area, the margin, the screen resolution (0 taken as 96 dpi),
// whether the DHCP box is shown, the logo bitmap's width, the widths the version and leap lines need to
// show their whole texts (0 for an empty leap line) and every control's current rectangle by id.
struct LayoutInput {
    LayoutSize client;
    int margin = 14;
    int dpi = 96;
    bool dhcpShown = false;
    int logoBitmapWidth = 0;
    int versionTextWidth = 0;
    int leapTextWidth = 0;
    std::map<int, LayoutRect> controls;
};

// The placements of one pass, in the order they must be applied; each rule sees the controls placed
// before it at their new rectangles. Nothing when a control that the pass places or reads is missing.
std::optional<std::vector<Placement>> ComputeLayout(const LayoutInput& input);

// How much taller the window must be while the leap line shows: the status group grows by that, and
// nothing else moves.
int LeapLineRoom(const LayoutInput& input);

// The outer window size after the one-time growth that makes room for a logo larger than 140 x 80.
LayoutSize GrownWindowSize(LayoutSize outer, LayoutSize logo);
