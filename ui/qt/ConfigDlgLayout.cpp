// The computed layout: every control's rectangle from the client size, the margin, the screen's
// resolution and the logo, on start and on every resize.
#include "ConfigDlg.h"

#include "StatusText.h"
#include "ui/Layout.h"
#include "ui/res/DialogTemplates.h"
#include "ui/res/resource.h"

#include <QLabel>
#include <QResizeEvent>

namespace {

LayoutRect RectOf(const QWidget& widget) {
    const QRect geometry = widget.geometry();
    return {geometry.x(), geometry.y(), geometry.width(), geometry.height()};
}

void Apply(const Placement& placement, QWidget& widget) {
    const LayoutRect& rect = placement.rect;
    if (placement.mode == PlacementMode::Move) {
        widget.move(rect.x, rect.y);
    } else {
        widget.setGeometry(rect.x, rect.y, rect.w, rect.h);
    }
}

} // namespace

void CConfigDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayoutControls();
}

void CConfigDlg::LayoutControls() {
    if (Item(IDC_LOGO) == nullptr) {
        return; // a resize before the controls exist
    }
    const int dpi = logicalDpiY();
    const auto* logo = static_cast<QLabel*>(Item(IDC_LOGO));
    if (!m_bLayoutDone) {
        m_bLayoutDone = true;
        const LayoutSize grown = GrownWindowSize({width(), height()}, {logo->width(), logo->height()});
        setFixedSize(grown.w, grown.h);
    }

    LayoutInput input;
    input.client = {width(), height()};
    input.margin = m_nMargin;
    input.dpi = dpi;
    input.dhcpShown = m_logic.DhcpShown();
    input.logoBitmapWidth = logo->pixmap().width();
    input.versionTextWidth = StatusText(IDC_VERSION_LINE)->WholeTextWidth();
    for (const DialogControlTemplate& control : FindDialogTemplate(IDD_CONFIG_DIALOG)->controls) {
        input.controls[control.id] = RectOf(*Item(control.id));
    }
    const std::optional<std::vector<Placement>> placements = ComputeLayout(input);
    if (!placements) {
        return;
    }
    for (const Placement& placement : *placements) {
        Apply(placement, *Item(placement.controlId));
    }
    Item(IDC_LOGO)->update();
}
