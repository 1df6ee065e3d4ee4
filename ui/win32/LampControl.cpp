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

void CLampControl::AttachTip(HWND tooltip) {
    m_tooltip = tooltip;
    // A static without SS_NOTIFY lets the pointer through to the window beneath, so the tooltip's hook
    // on the lamp would never see it rest there.
    SetWindowLongPtrW(m_hwnd, GWL_STYLE, GetWindowLongPtrW(m_hwnd, GWL_STYLE) | SS_NOTIFY);
    TOOLINFOW tool = Tool(m_tip);
    SendMessageW(m_tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CLampControl::SetTip(const std::wstring& text) {
    if (text == m_tip) {
        return; // the refresh repeats every tip four times a second, and an update redraws a shown tip
    }
    m_tip = text;
    TOOLINFOW tool = Tool(m_tip);
    SendMessageW(m_tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

TOOLINFOW CLampControl::Tool(const std::wstring& text) const {
    TOOLINFOW tool{};
    // The size every common controls version since 5.80 takes, with or without the manifest's version 6.
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(m_hwnd);
    tool.uId = reinterpret_cast<UINT_PTR>(m_hwnd);
    // The control copies the text; it never writes to it.
    tool.lpszText = const_cast<LPWSTR>(text.c_str());
    return tool;
}
