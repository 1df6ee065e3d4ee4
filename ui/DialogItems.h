#pragma once

#include "DialogView.h"

#include <initializer_list>

// Small acts on a window that every part of its logic repeats; texts come from the string table.

// Sets the text of control id to string stringId.
void SetItemString(CDialogView& view, int id, int stringId);
// Enables or disables every control of ids.
void EnableItems(CDialogView& view, std::initializer_list<int> ids, bool enabled);
// An error box with string stringId; it returns once the user closed it.
void ShowErrorBox(CDialogView& view, int stringId);
