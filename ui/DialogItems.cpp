#include "DialogItems.h"

#include "resources/StringTable.h"
#include "resources/resource.h"

void SetItemString(CDialogView& view, int id, int stringId) {
    view.SetItemText(id, LoadStringResource(stringId));
}

void EnableItems(CDialogView& view, std::initializer_list<int> ids, bool enabled) {
    for (int id : ids) {
        view.EnableItem(id, enabled);
    }
}

void ShowErrorBox(CDialogView& view, int stringId) {
    view.ShowMessage(LoadStringResource(stringId), LoadStringResource(IDS_ERROR), MessageKind::Error);
}
