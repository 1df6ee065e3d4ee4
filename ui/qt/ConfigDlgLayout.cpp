// The computed layout over the widgets, on start, on every resize and when the version or leap line's
// text changes.
#include "ConfigDlg.h"

#include "StatusText.h"
#include "resources/DialogTemplates.h"
#include "resources/resource.h"
#include "ui/Layout.h"

#include <QLabel>
#include <QResizeEvent>

namespace {

LayoutRect RectOf(const QWidget& widget) {
    const QRect geometry = widget.geometry();
    return {geometry.x(), geometry.y(), geometry.width(), geometry.height()};
}

// The window measured and moved in Qt's terms: its size is the client size.
class CWidgetLayoutSurface : public CLayoutSurface {
public:
    CWidgetLayoutSurface(QDialog& window, const CDialogControls& controls)
        : m_window(window), m_controls(controls) {}

    bool HasControls() const override { return m_controls.Item(IDC_LOGO) != nullptr; }
    LayoutSize WindowSize() const override { return {m_window.width(), m_window.height()}; }
    LayoutSize LogoSize() const override { return {Logo().width(), Logo().height()}; }
    void ResizeWindow(LayoutSize size) override { m_window.setFixedSize(size.w, size.h); }

    LayoutInput Measure() const override {
        LayoutInput input;
        input.client = WindowSize();
        input.dpi = m_window.logicalDpiY();
        input.logoBitmapWidth = Logo().pixmap().width();
        input.versionTextWidth = m_controls.StatusText(IDC_VERSION_LINE)->WholeTextWidth();
        input.leapTextWidth = m_controls.StatusText(IDC_LEAP_LINE)->WholeTextWidth();
        for (const DialogControlTemplate& control : FindDialogTemplate(IDD_CONFIG_DIALOG)->controls) {
            input.controls[control.id] = RectOf(*m_controls.Item(control.id));
        }
        return input;
    }

    void Apply(const std::vector<Placement>& placements) override {
        for (const Placement& placement : placements) {
            QWidget& widget = *m_controls.Item(placement.controlId);
            const LayoutRect& rect = placement.rect;
            if (placement.mode == PlacementMode::Move) {
                widget.move(rect.x, rect.y);
            } else {
                widget.setGeometry(rect.x, rect.y, rect.w, rect.h);
            }
        }
        m_controls.Item(IDC_LOGO)->update();
    }

private:
    const QLabel& Logo() const { return *static_cast<const QLabel*>(m_controls.Item(IDC_LOGO)); }

    QDialog& m_window;
    const CDialogControls& m_controls;
};

} // namespace

void CConfigDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayoutControls();
}

void CConfigDlg::LayoutControls() {
    CWidgetLayoutSurface surface(*this, m_controls);
    m_layoutFlow.Run(surface, m_logic.DhcpShown());
}
