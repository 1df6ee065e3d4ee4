#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

// One lamp: a bitmap static control, the bitmap it shows and its tip. The caller owns the bitmaps and
// keeps each alive while it is shown.
class CLampControl {
public:
    // The control is a static with SS_BITMAP; its template image, if any, is replaced on the first Show.
    void Attach(HWND control) { m_hwnd = control; }
    // Puts bitmap on the lamp; nothing when it shows that bitmap already.
    void Show(HBITMAP bitmap);
    // Registers the lamp with tooltip, a tooltip control of the lamp's window, with an empty tip.
    void AttachTip(HWND tooltip);
    // Replaces the lamp's tip; an empty one shows nothing. Nothing when it shows that tip already.
    void SetTip(const std::wstring& text);

private:
    TOOLINFOW Tool(const std::wstring& text) const;

    HWND m_hwnd = nullptr;
    HBITMAP m_shown = nullptr;
    HWND m_tooltip = nullptr;
    std::wstring m_tip;
};
