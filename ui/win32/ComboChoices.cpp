#include "ComboChoices.h"

#include "WideText.h"

void AddComboChoice(HWND dialog, int comboId, const std::string& text) {
    SendDlgItemMessageW(dialog, comboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void SelectComboChoice(HWND dialog, int comboId, std::size_t index) {
    SendDlgItemMessageW(dialog, comboId, CB_SETCURSEL, index, 0);
}

std::optional<std::size_t> SelectedComboChoice(HWND dialog, int comboId) {
    const LRESULT selected = SendDlgItemMessageW(dialog, comboId, CB_GETCURSEL, 0, 0);
    return selected == CB_ERR ? std::nullopt : std::optional<std::size_t>(selected);
}
