#pragma once

#include <windows.h>

// A static control of the dialog that paints a single line of text on white itself, optionally inside a
// 2-pixel frame, black when active and grey when not. It paints every pixel of its client area and never
// lets the system erase it, so the lines that change four times a second do not flicker. The text is the
// control's window text: SetDlgItemText replaces it and repaints the whole control, even when it is
// unchanged, and GetDlgItemText reads what is shown. Window thread only.
class CStatusText {
public:
    CStatusText() = default;
    CStatusText(const CStatusText&) = delete;
    CStatusText& operator=(const CStatusText&) = delete;
    ~CStatusText();

    // Takes over the painting of control, with an empty text; the object must outlive the control or be
    // destroyed first.
    void Attach(HWND control);

    // Chooses black (true) or grey text and frame; takes effect at the next repaint.
    void SetActive(bool active) { m_active = active; }
    // Turns the frame on or off; takes effect at the next repaint.
    void SetBorder(bool border) { m_border = border; }

    // The narrowest width at which the control shows its whole text in its font.
    int WholeTextWidth() const;
    HWND Handle() const { return m_hwnd; }

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR subclassId, DWORD_PTR self);
    void Detach();
    void OnPaint();
    bool IsCentred() const;

    HWND m_hwnd = nullptr;
    bool m_border = false;
    bool m_active = false;
};
