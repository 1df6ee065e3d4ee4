#pragma once

#include "ModelessDialog.h"
#include "ui/AnswersDlgLogic.h"
#include "ui/AnswersDlgView.h"

#include <windows.h>

// The device's answers window, from the template IDD_DEVICE_ANSWERS: the shared logic decides, this class
// turns the window's messages into its calls and carries out what it does on the window's controls.
// Modeless; closing only hides it.
class CAnswersDlg : public CAnswersDlgView, private CModelessDialog {
public:
    CAnswersDlg(HINSTANCE instance, AnswersSource source);
    ~CAnswersDlg() override;
    CAnswersDlg(const CAnswersDlg&) = delete;
    CAnswersDlg& operator=(const CAnswersDlg&) = delete;

    // Shows the window owned by owner beside it, clear of keepClear (owner's status area, in screen
    // coordinates), made at the first call, or brings it to the front.
    void ShowBeside(HWND owner, const RECT& keepClear);
    using CModelessDialog::Window;

    // CAnswersDlgView over the window's controls.
    void SetItemText(int id, const std::string& text) override;
    void SetColumns(int listId, const std::vector<std::string>& titles) override;
    void ShowRows(int listId, const std::vector<ListRow>& rows) override;
    void SelectRow(int listId, std::size_t index) override;
    std::optional<std::size_t> SelectedRow(int listId) const override;
    void CopyText(const std::string& text) override;
    void StartTimer(int periodMs) override;
    void StopTimer() override;
    void HideWindow() override;

private:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnInitDialog();
    bool OnCommand(WORD id);
    bool OnNotify(const NMHDR& header);
    HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }

    HINSTANCE m_instance;
    // While the logic fills or selects in a list, whose notifications are its own doing.
    bool m_bFilling = false;
    CAnswersDlgLogic m_logic;
};
