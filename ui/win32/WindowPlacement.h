#pragma once

#include <windows.h>

// Moves window, keeping its size, to the middle of area (screen coordinates); its top left corner stays
// inside area when the window is larger.
void CentreWindowIn(HWND window, const RECT& area);

// The work area of the screen that holds most of window: the screen without the task bar.
RECT WorkAreaOf(HWND window);
