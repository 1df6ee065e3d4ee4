#pragma once

#include <windows.h>

#include <span>
#include <utility>

// A control's name for screen readers where its own text names nothing (a list, a drop-down, the
// chart): the control's id, and the id of the name's text.
using AccessibleName = std::pair<int, int>;

// Annotates the dialog's controls with their names through the system's annotation service; without
// that service the controls keep the names the system finds for them.
void SetAccessibleNames(HWND dialog, std::span<const AccessibleName> names);
// Takes the names off again before the controls go, as the annotation service asks.
void ClearAccessibleNames(HWND dialog, std::span<const AccessibleName> names);
