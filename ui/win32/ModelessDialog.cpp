#include "ModelessDialog.h"

#include "DialogTemplateBytes.h"

bool CModelessDialog::Create(HINSTANCE instance, const DialogTemplate& dialogTemplate, HWND owner) {
    const CDialogTemplateBytes bytes(dialogTemplate);
    return CreateDialogIndirectParamW(instance, bytes.Get(), owner, DialogProc,
                                      reinterpret_cast<LPARAM>(this)) != nullptr;
}

INT_PTR CALLBACK CModelessDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        reinterpret_cast<CModelessDialog*>(lParam)->m_hwnd = hwnd;
    }
    auto* self = reinterpret_cast<CModelessDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    // Messages of the window's creation come before WM_INITDIALOG; the defaults serve them.
    return self != nullptr ? self->OnMessage(message, wParam, lParam) : FALSE;
}
