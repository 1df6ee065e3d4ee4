#pragma once

#include "resources/DialogTemplates.h"

#include <span>

// The Devices window's layout, in dialog units, as a template made at run time (the window has no
// shared template: each front end lays it out). Controls in tab order, each label before the control it
// names, so that its mnemonic reaches that control and a screen reader reads it as the control's name.
const DialogTemplate& DevicesDialogTemplate();

// The controls under the table, which keep their distance from the window's bottom edge when it is
// resized; the table takes the rest of the window.
std::span<const int> DevicesBottomControls();
