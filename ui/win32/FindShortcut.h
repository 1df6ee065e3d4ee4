#pragma once

#include <windows.h>

// Ctrl+F for a dialog box: the dialog manager's own message loop translates no accelerators, so while
// this object lives a message filter of the calling thread turns Ctrl+F pressed anywhere in window into
// the system-menu command command, posted to window.
class CFindShortcut {
public:
    CFindShortcut() = default;
    ~CFindShortcut();
    CFindShortcut(const CFindShortcut&) = delete;
    CFindShortcut& operator=(const CFindShortcut&) = delete;

    // Starts filtering for window; false when the filter could not be installed (the menu still works).
    bool Install(HWND window, UINT command);

private:
    static LRESULT CALLBACK Filter(int code, WPARAM wParam, LPARAM lParam);

    HHOOK m_hook = nullptr;
};
