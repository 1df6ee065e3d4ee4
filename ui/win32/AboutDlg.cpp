#include "AboutDlg.h"

#include "DialogTemplateBytes.h"
#include "WindowPlacement.h"
#include "resources/resource.h"

void CAboutDlg::DoModal(HWND owner) {
    const CDialogTemplateBytes bytes(*FindDialogTemplate(IDD_ABOUTBOX));
    DialogBoxIndirectParamW(m_instance, bytes.Get(), owner, DialogProc, 0);
}

INT_PTR CALLBACK CAboutDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        CentreOverOwner(hwnd);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(hwnd, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(hwnd, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}
