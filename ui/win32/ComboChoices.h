#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

// The choices of a drop-down list on a dialog, in UTF-8.

// Adds text as the last choice of the drop-down comboId on dialog.
void AddComboChoice(HWND dialog, int comboId, const std::string& text);
void SelectComboChoice(HWND dialog, int comboId, std::size_t index);
// The index of the chosen item; none when nothing is chosen.
std::optional<std::size_t> SelectedComboChoice(HWND dialog, int comboId);
