#include "StatusText.h"

#include "SelectedFont.h"
#include "WideText.h"
#include "resources/WindowStyles.h"
#include "ui/StatusTextPaint.h"

#include <commctrl.h>

#include <string>

namespace {

constexpr UINT_PTR kSubclassId = 1;

COLORREF ToColorref(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

RECT ToRect(const PixelRect& rect) {
    return {rect.x, rect.y, rect.x + rect.width, rect.y + rect.height};
}

// The quickest solid fill GDI has: an opaque text output without text.
void FillSolid(HDC dc, const PixelRect& rect, std::uint32_t colour) {
    const RECT area = ToRect(rect);
    SetBkColor(dc, ToColorref(colour));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
}

SIZE TextExtent(HDC dc, const std::wstring& text) {
    SIZE extent{0, 0};
    if (!text.empty()) {
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    }
    return extent;
}

} // namespace

CStatusText::~CStatusText() {
    Detach();
}

void CStatusText::Attach(HWND control) {
    Detach();
    m_hwnd = control;
    SetWindowSubclass(control, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    SetWindowTextW(control, L""); // the template's placeholder text is never shown
}

void CStatusText::Detach() {
    if (m_hwnd != nullptr) {
        RemoveWindowSubclass(m_hwnd, SubclassProc, kSubclassId);
        m_hwnd = nullptr;
    }
}

bool CStatusText::IsCentred() const {
    return (static_cast<std::uint32_t>(GetWindowLongW(m_hwnd, GWL_STYLE)) & kSsCenter) != 0;
}

int CStatusText::WholeTextWidth() const {
    HDC dc = GetDC(m_hwnd);
    int width = 0;
    {
        CSelectedFont font(dc, m_hwnd);
        width = TextExtent(dc, WideWindowText(m_hwnd)).cx;
    }
    ReleaseDC(m_hwnd, dc);
    return StatusTextWholeWidth(width, m_border, IsCentred());
}

void CStatusText::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hwnd, &paint);
    {
        CSelectedFont font(dc, m_hwnd);
        RECT client;
        GetClientRect(m_hwnd, &client);
        const std::wstring text = WideWindowText(m_hwnd);
        const SIZE extent = TextExtent(dc, text);
        const StatusTextPaintPlan plan = PlanStatusTextPaint(
            {client.right, client.bottom, extent.cx, extent.cy, m_border, m_active, IsCentred()});
        for (const StatusTextFill& fill : plan.fills) {
            if (fill.rect.width > 0 && fill.rect.height > 0) {
                FillSolid(dc, fill.rect, fill.colour);
            }
        }
        if (plan.hasText) {
            // Glyphs may reach past their cell; the frame must survive them.
            IntersectClipRect(dc, plan.interior.x, plan.interior.y, plan.interior.x + plan.interior.width,
                              plan.interior.y + plan.interior.height);
            const RECT cell = ToRect(plan.textCell);
            SetTextColor(dc, ToColorref(plan.textColour));
            SetBkColor(dc, ToColorref(kStatusWhite));
            ExtTextOutW(dc, cell.left, cell.top, ETO_OPAQUE, &cell, text.c_str(),
                        static_cast<UINT>(text.size()), nullptr);
        }
    }
    EndPaint(m_hwnd, &paint);
}

LRESULT CALLBACK CStatusText::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self) {
    auto* control = reinterpret_cast<CStatusText*>(self);
    switch (message) {
    case WM_PAINT:
        control->OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return TRUE; // the paint covers every pixel; an erase first would only flicker
    case WM_SETTEXT: {
        // The static's own handling paints its look at once; store the text and let the paint follow.
        const LRESULT stored = DefWindowProcW(hwnd, message, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return stored;
    }
    case WM_NCDESTROY:
        control->Detach();
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}
