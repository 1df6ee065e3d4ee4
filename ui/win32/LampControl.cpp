#include "LampControl.h"

void CLampControl::Show(HBITMAP bitmap) {
    if (bitmap == m_shown) {
        return; // the refresh repeats every lamp four times a second, and each change may cost a copy
    }
    auto* previous = reinterpret_cast<HBITMAP>(
        SendMessageW(m_hwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    // What comes back is the caller's bitmap, or what the control made itself and now hands over: the copy
    // it takes of a bitmap with alpha, or the image its template loaded.
    if (previous != nullptr && previous != m_shown) {
        DeleteObject(previous);
    }
    m_shown = bitmap;
}
