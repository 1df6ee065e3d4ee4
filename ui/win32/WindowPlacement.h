#pragma once

#include <windows.h>

// Moves window, keeping its size, to the middle of area (screen coordinates); its top left corner stays
// inside area when the window is larger.
void CentreWindowIn(HWND window, const RECT& area);

// Centres a dialog over the window that owns it, rather than in the corner of the screen where its
// template puts it; nothing happens without an owner.
void CentreOverOwner(HWND dialog);

// Shows a companion window of owner and brings it to the front; a hidden one is first moved, keeping its
// size, beside owner and clear of keepClear (a part of owner, in screen coordinates), inside the work area
// of the owner's screen (PlaceBeside).
void ShowBesideOwner(HWND window, HWND owner, const RECT& keepClear);

// The work area of the screen that holds most of window: the screen without the task bar.
RECT WorkAreaOf(HWND window);
