#include "WindowPlacement.h"

#include <algorithm>

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

RECT WorkAreaOf(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
        return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return monitor.rcWork;
}
