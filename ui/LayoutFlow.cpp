#include "LayoutFlow.h"

#include <optional>

void CLayoutFlow::Run(CLayoutSurface& surface, bool dhcpShown) {
    if (!surface.HasControls()) {
        return;
    }
    if (!m_grown) {
        // Set before the resize: a front end whose resize lays out again must not grow twice.
        m_grown = true;
        surface.ResizeWindow(GrownWindowSize(surface.WindowSize(), surface.LogoSize()));
    }
    LayoutInput input = surface.Measure();
    if (const int room = LeapLineRoom(input); room != m_leapLineRoom) {
        const LayoutSize size = surface.WindowSize();
        const int change = room - m_leapLineRoom;
        // Set before the resize, for the same reason as above.
        m_leapLineRoom = room;
        surface.ResizeWindow({size.w, size.h + change});
        input = surface.Measure();
    }
    input.dhcpShown = dhcpShown;
    const std::optional<std::vector<Placement>> placements = ComputeLayout(input);
    if (placements) {
        surface.Apply(*placements);
    }
}
