#pragma once

#include <windows.h>

// The About box, from template 100: the icon, the version and a legal line; OK, Esc and the close box end it.
class CAboutDlg {
public:
    explicit CAboutDlg(HINSTANCE instance) : m_instance(instance) {}
    // Runs the box modally over owner.
    void DoModal(HWND owner);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE m_instance;
};
