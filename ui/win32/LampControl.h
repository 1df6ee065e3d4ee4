#pragma once

#include <windows.h>

// One lamp: a bitmap static control and the bitmap it shows. The caller owns the bitmaps and keeps each
// alive while it is shown.
class CLampControl {
public:
    // The control is a static with SS_BITMAP; its template image, if any, is replaced on the first Show.
    void Attach(HWND control) { m_hwnd = control; }
    // Puts bitmap on the lamp; nothing when it shows that bitmap already.
    void Show(HBITMAP bitmap);

private:
    HWND m_hwnd = nullptr;
    HBITMAP m_shown = nullptr;
};
