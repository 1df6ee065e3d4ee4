#pragma once

#include "resources/DialogTemplates.h"

#include <QFont>
#include <QWidget>

#include <cstdint>
#include <span>
#include <vector>

class CStatusText;

// The controls built from one dialog template, in template order; the role of GetDlgItem. It does
// not own them (their parent does) and must not outlive that parent.
class CDialogControls {
public:
    // The first control with that id; null when the template has none.
    QWidget* Item(int id) const;
    // The control with that id when it was built as a CStatusText; null otherwise.
    CStatusText* StatusText(int id) const;
    // Every control, in template order.
    const std::vector<QWidget*>& InTemplateOrder() const { return m_widgets; }
    // Records the next control in template order.
    void Append(int id, QWidget* widget);

private:
    std::vector<int> m_ids;
    std::vector<QWidget*> m_widgets;
};

// family at pointSize, or "Arial" (Liberation Sans on Linux) when family is not installed. Needs a
// QGuiApplication.
QFont FontWithFallback(const char* family, int pointSize, bool bold);
// The font a template asks for, with the same fallback.
QFont DialogTemplateFont(const DialogTemplate& dialogTemplate);
// Gives dialog the template's title and font, and its client size in pixels at dpi; the size is fixed
// because neither template has a sizing border.
void ApplyDialogTemplateFrame(const DialogTemplate& dialogTemplate, QWidget& dialog, int dpi);
// Creates every control of the template as a direct child of parent (group boxes do not contain their
// neighbours), at its pixel rectangle for dpi (pass the screen's logicalDpiY), in template order, which
// is also the tab order and the stacking order (later controls are drawn over earlier ones). Controls
// whose ids are in statusTextIds become CStatusText with the template's style bits. Push buttons are
// never default buttons, except BS_DEFPUSHBUTTON; when parent is a QDialog, button id 1 accepts it.
CDialogControls BuildDialogControls(const DialogTemplate& dialogTemplate, QWidget& parent,
                                    std::span<const int> statusTextIds, int dpi);
