#include "DialogView.h"

#include "resources/resource.h"

void CDialogView::SetFittedLine(int id, const std::string& text) {
    // Four refreshes a second repeat the same text; only a new one may move the controls.
    const bool changed = text != ItemText(id);
    SetItemText(id, text);
    if (changed) {
        RelayoutWindow();
    }
}
