#pragma once

#include "MessageBoxes.h"
#include "ModalDialog.h"
#include "ui/FindDlgLogic.h"
#include "ui/FindDlgView.h"

#include <windows.h>

#include <string>

// The Find dialog, from the template IDD_FIND_DIALOG: the shared Find logic decides, this class turns
// the dialog's messages into its calls and carries out what it does on the dialog's controls.
class CFindDlg : public CFindDlgView, private CModalDialog {
public:
    // network goes into the network box unsearched; boxes answers the dialog's message boxes.
    CFindDlg(HINSTANCE instance, CMessageBoxes& boxes, std::string network);

    // Runs the dialog modally over owner; kFindConnect when the user chose a device (ChosenAddress).
    INT_PTR DoModal(HWND owner);
    const CFindDlgLogic& Logic() const { return m_logic; }

    // CFindDlgView over the dialog's controls.
    std::string ItemText(int id) const override;
    void SetItemText(int id, const std::string& text) override;
    void EnableItem(int id, bool enabled) override;
    void FocusItem(int id) override;
    void SetProgress(std::size_t tried, std::size_t total) override;
    void ClearFoundDevices() override;
    void InsertFoundDevice(std::size_t at, const FoundDeviceRow& row) override;
    std::optional<std::size_t> SelectedFoundDevice() const override;
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) override;
    void EndDialog(int result) override;

private:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog();
    void AddColumns();
    bool OnCommand(int id, int code);
    bool OnNotify(const NMHDR& header);
    HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }

    HINSTANCE m_instance;
    CMessageBoxes& m_boxes;
    std::string m_network;
    // Last: its relay posts to this dialog, so it goes first.
    CFindDlgLogic m_logic;
};
