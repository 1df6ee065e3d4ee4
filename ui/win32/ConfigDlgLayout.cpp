// The computed layout: every control's rectangle from the client size, the margin, the screen's
// resolution and the logo, on start and on every WM_SIZE.
#include "ConfigDlg.h"

#include "ui/Layout.h"
#include "ui/res/DialogTemplates.h"
#include "ui/res/resource.h"

#include <optional>
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

void Apply(const std::vector<Placement>& placements, HWND dialog) {
    HDWP positions = BeginDeferWindowPos(static_cast<int>(placements.size()));
    for (const Placement& placement : placements) {
        const LayoutRect& rect = placement.rect;
        const UINT flags =
            SWP_NOZORDER | SWP_NOACTIVATE | (placement.mode == PlacementMode::Move ? SWP_NOSIZE : 0);
        HWND control = GetDlgItem(dialog, placement.controlId);
        positions = positions != nullptr
                        ? DeferWindowPos(positions, control, nullptr, rect.x, rect.y, rect.w, rect.h, flags)
                        : nullptr;
    }
    if (positions != nullptr) {
        EndDeferWindowPos(positions);
    }
}

} // namespace

void CConfigDlg::LayoutControls() {
    const DialogTemplate& dialogTemplate = *FindDialogTemplate(IDD_CONFIG_DIALOG);
    for (const DialogControlTemplate& control : dialogTemplate.controls) {
        if (Item(control.id) == nullptr) {
            return; // a WM_SIZE before the controls exist
        }
    }
    HWND logo = Item(IDC_LOGO);
    if (!m_bLayoutDone) {
        m_bLayoutDone = true;
        const LayoutSize grown = GrownWindowSize(OuterSize(m_hwnd), OuterSize(logo));
        // A change of size re-enters through WM_SIZE with a complete pass of its own.
        SetWindowPos(m_hwnd, nullptr, 0, 0, grown.w, grown.h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    LayoutInput input;
    for (const DialogControlTemplate& control : dialogTemplate.controls) {
        input.controls[control.id] = RectInDialog(m_hwnd, Item(control.id));
    }
    RECT client;
    GetClientRect(m_hwnd, &client);
    input.client = {client.right, client.bottom};
    input.margin = m_nMargin;
    input.dpi = Dpi();
    input.dhcpShown = m_logic.DhcpShown();
    input.logoBitmapWidth = BitmapWidth(logo);
    input.versionTextWidth = StatusText(IDC_VERSION_LINE)->WholeTextWidth();
    const std::optional<std::vector<Placement>> placements = ComputeLayout(input);
    if (!placements) {
        return;
    }
    Apply(*placements, m_hwnd);
    InvalidateRect(logo, nullptr, TRUE);
    UpdateWindow(logo);
}
