#include "DialogView.h"

#include "ui/res/resource.h"

void CDialogView::SetVersionLine(const std::string& text) {
    // Four refreshes a second repeat the same text; only a new one may move the controls.
    const bool changed = text != ItemText(IDC_VERSION_LINE);
    SetItemText(IDC_VERSION_LINE, text);
    if (changed) {
        RelayoutWindow();
    }
}
