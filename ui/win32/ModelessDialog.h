#pragma once

#include "resources/DialogTemplates.h"

#include <windows.h>

// A modeless dialog made from a template whose messages go to the derived object's OnMessage; the object
// learns its window at WM_INITDIALOG, before OnMessage sees that message. The derived object destroys
// the window in its own destructor, while its OnMessage can still take WM_DESTROY.
class CModelessDialog {
public:
    virtual ~CModelessDialog() = default;

    // The window once made; null before, and once it was destroyed with its owner.
    HWND Window() const { return m_hwnd; }

protected:
    // Makes the dialog of dialogTemplate over owner; false when it could not be made.
    bool Create(HINSTANCE instance, const DialogTemplate& dialogTemplate, HWND owner);
    // The dialog procedure's work; FALSE leaves the message to the dialog manager.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    HWND m_hwnd = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};
