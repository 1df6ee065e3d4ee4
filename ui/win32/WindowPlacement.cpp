#include "WindowPlacement.h"

#include "ui/CompanionPlacement.h"

#include <algorithm>

namespace {

// Between the main window and its companion.
constexpr int kCompanionGapPixels = 8;

PixelRect InPixels(const RECT& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

// Moves window, keeping its size, beside owner and clear of keepClear (a part of owner, in screen
// coordinates), inside the work area of the owner's screen (PlaceBeside).
void MoveBeside(HWND window, HWND owner, const RECT& keepClear) {
    RECT rect;
    RECT ownerRect;
    if (!GetWindowRect(window, &rect) || !GetWindowRect(owner, &ownerRect)) {
        return;
    }
    const PixelRect placed =
        PlaceBeside(InPixels(ownerRect), InPixels(keepClear), rect.right - rect.left, rect.bottom - rect.top,
                    kCompanionGapPixels, InPixels(WorkAreaOf(owner)));
    SetWindowPos(window, nullptr, placed.x, placed.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

void CentreWindowIn(HWND window, const RECT& area) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) {
        return;
    }
    const int x = area.left + (area.right - area.left - (rect.right - rect.left)) / 2;
    const int y = area.top + (area.bottom - area.top - (rect.bottom - rect.top)) / 2;
    SetWindowPos(window, nullptr, std::max(x, static_cast<int>(area.left)),
                 std::max(y, static_cast<int>(area.top)), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CentreOverOwner(HWND dialog) {
    RECT owner;
    if (GetWindowRect(GetWindow(dialog, GW_OWNER), &owner)) {
        CentreWindowIn(dialog, owner);
    }
}

void ShowBesideOwner(HWND window, HWND owner, const RECT& keepClear) {
    if (!IsWindowVisible(window)) {
        MoveBeside(window, owner, keepClear);
    }
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
}

RECT WorkAreaOf(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
        return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return monitor.rcWork;
}
