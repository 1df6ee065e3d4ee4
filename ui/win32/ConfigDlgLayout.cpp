// The computed layout over the dialog's controls, on start, on every WM_SIZE and when the version or leap
// line's text changes.
#include "ConfigDlg.h"

#include "resources/DialogTemplates.h"
#include "resources/resource.h"
#include "ui/Layout.h"

#include <vector>

namespace {

// A window's rectangle in the dialog's client coordinates.
LayoutRect RectInDialog(HWND dialog, HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

LayoutSize OuterSize(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

int BitmapWidth(HWND bitmapStatic) {
    auto* bitmap = reinterpret_cast<HBITMAP>(SendMessageW(bitmapStatic, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP description{};
    return bitmap != nullptr && GetObjectW(bitmap, sizeof description, &description) != 0
               ? description.bmWidth
               : 0;
}

// The dialog measured and moved in Windows' terms: its size is the outer size.
class CDialogLayoutSurface : public CLayoutSurface {
public:
    CDialogLayoutSurface(HWND dialog, int dpi, const CStatusText& versionLine, const CStatusText& leapLine)
        : m_dialog(dialog), m_dpi(dpi), m_versionLine(versionLine), m_leapLine(leapLine) {}

    bool HasControls() const override {
        for (const DialogControlTemplate& control : Template().controls) {
            if (GetDlgItem(m_dialog, control.id) == nullptr) {
                return false; // a WM_SIZE before the controls exist
            }
        }
        return true;
    }
    LayoutSize WindowSize() const override { return OuterSize(m_dialog); }
    LayoutSize LogoSize() const override { return OuterSize(Logo()); }

    void ResizeWindow(LayoutSize size) override {
        // The change of size re-enters through WM_SIZE with a complete pass of its own.
        SetWindowPos(m_dialog, nullptr, 0, 0, size.w, size.h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    LayoutInput Measure() const override {
        LayoutInput input;
        for (const DialogControlTemplate& control : Template().controls) {
            input.controls[control.id] = RectInDialog(m_dialog, GetDlgItem(m_dialog, control.id));
        }
        RECT client;
        GetClientRect(m_dialog, &client);
        input.client = {client.right, client.bottom};
        input.dpi = m_dpi;
        input.logoBitmapWidth = BitmapWidth(Logo());
        input.versionTextWidth = m_versionLine.WholeTextWidth();
        input.leapTextWidth = m_leapLine.WholeTextWidth();
        return input;
    }

    void Apply(const std::vector<Placement>& placements) override {
        HDWP positions = BeginDeferWindowPos(static_cast<int>(placements.size()));
        for (const Placement& placement : placements) {
            const LayoutRect& rect = placement.rect;
            const UINT flags =
                SWP_NOZORDER | SWP_NOACTIVATE | (placement.mode == PlacementMode::Move ? SWP_NOSIZE : 0);
            HWND control = GetDlgItem(m_dialog, placement.controlId);
            positions = positions != nullptr ? DeferWindowPos(positions, control, nullptr, rect.x, rect.y,
                                                              rect.w, rect.h, flags)
                                             : nullptr;
        }
        if (positions != nullptr) {
            EndDeferWindowPos(positions);
        }
        // A group box that grew leaves its old border where no control paints any more, and the logo
        // keeps its old picture: everything is drawn again.
        RedrawWindow(m_dialog, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }

private:
    static const DialogTemplate& Template() { return *FindDialogTemplate(IDD_CONFIG_DIALOG); }
    HWND Logo() const { return GetDlgItem(m_dialog, IDC_LOGO); }

    HWND m_dialog;
    int m_dpi;
    const CStatusText& m_versionLine;
    const CStatusText& m_leapLine;
};

} // namespace

void CConfigDlg::LayoutControls() {
    CDialogLayoutSurface surface(m_hwnd, Dpi(), *StatusText(IDC_VERSION_LINE), *StatusText(IDC_LEAP_LINE));
    m_layoutFlow.Run(surface, m_logic.DhcpShown());
}
