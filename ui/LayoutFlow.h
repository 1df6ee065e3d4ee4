#pragma once

#include "Layout.h"

#include <vector>

// What a layout pass reads from the main window and does to it; each front end implements it over its
// own window, in pixels.
class CLayoutSurface {
public:
    virtual ~CLayoutSurface() = default;

    // Whether every control of the template exists yet; a pass before that does nothing.
    virtual bool HasControls() const = 0;
    // The window's size as ResizeWindow takes it, and the logo control's.
    virtual LayoutSize WindowSize() const = 0;
    virtual LayoutSize LogoSize() const = 0;
    // Resizes the window; the front end may run a whole pass of its own before this returns.
    virtual void ResizeWindow(LayoutSize size) = 0;
    // Everything a pass reads but the margin and the DHCP box: client size, resolution, logo bitmap,
    // version text width and every control's rectangle.
    virtual LayoutInput Measure() const = 0;
    // Moves the controls, in the given order.
    virtual void Apply(const std::vector<Placement>& placements) = 0;
};

// The main window's layout passes: on the first pass with controls, the one-time growth for a large
// logo; when the leap line comes or goes, the room for it; on every pass, the computed layout.
class CLayoutFlow {
public:
    // One pass over surface; dhcpShown: whether the layout must leave room for the DHCP box.
    void Run(CLayoutSurface& surface, bool dhcpShown);

private:
    bool m_grown = false;
    int m_leapLineRoom = 0; // what the window has grown by for the leap line
};
