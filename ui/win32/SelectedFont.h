#pragma once

#include <windows.h>

// The font of control (its WM_GETFONT) selected into dc for as long as the object lives.
class CSelectedFont {
public:
    CSelectedFont(HDC dc, HWND control)
        : m_dc(dc), m_font(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0))),
          m_previous(m_font != nullptr ? SelectObject(dc, m_font) : nullptr) {}
    ~CSelectedFont() {
        if (m_previous != nullptr) {
            SelectObject(m_dc, m_previous);
        }
    }
    CSelectedFont(const CSelectedFont&) = delete;
    CSelectedFont& operator=(const CSelectedFont&) = delete;

private:
    HDC m_dc;
    HFONT m_font;
    HGDIOBJ m_previous;
};
