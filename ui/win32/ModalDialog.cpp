#include "ModalDialog.h"

#include "DialogTemplateBytes.h"

INT_PTR CModalDialog::RunModal(HINSTANCE instance, int templateId, HWND owner) {
    const CDialogTemplateBytes bytes(*FindDialogTemplate(templateId));
    return DialogBoxIndirectParamW(instance, bytes.Get(), owner, DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CModalDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        reinterpret_cast<CModalDialog*>(lParam)->m_hwnd = hwnd;
    }
    auto* self = reinterpret_cast<CModalDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    // Messages of the window's creation come before WM_INITDIALOG; the defaults serve them.
    return self != nullptr ? self->OnMessage(message, wParam, lParam) : FALSE;
}
