#pragma once

#include <windows.h>

// A modal dialog made from a shared template whose messages go to the derived object's OnMessage; the
// object learns its window at WM_INITDIALOG, before OnMessage sees that message.
class CModalDialog {
public:
    virtual ~CModalDialog() = default;

protected:
    // Runs the dialog of template templateId over owner (null: none) until it ends; its result.
    INT_PTR RunModal(HINSTANCE instance, int templateId, HWND owner);
    // The dialog procedure's work; FALSE leaves the message to the dialog manager.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // The dialog's window while it runs.
    HWND m_hwnd = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};
