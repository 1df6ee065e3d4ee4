#pragma once

#include "ChartControl.h"
#include "MessageBoxes.h"
#include "ModelessDialog.h"
#include "ui/DeviceLog.h"
#include "ui/DeviceLogDlgLogic.h"
#include "ui/DeviceLogDlgView.h"

#include <windows.h>

// The device log window, from the template IDD_DEVICE_LOG: the shared log window logic decides, this
// class turns the window's messages into its calls, carries out what it does on the window's controls
// and paints the chart with its plan. Modeless; closing only hides it, as everything it shows lives in the
// main window's log.
class CDeviceLogDlg : public CDeviceLogDlgView, private CModelessDialog {
public:
    CDeviceLogDlg(HINSTANCE instance, const CDeviceLog& log, CMessageBoxes& boxes);
    ~CDeviceLogDlg() override;
    CDeviceLogDlg(const CDeviceLogDlg&) = delete;
    CDeviceLogDlg& operator=(const CDeviceLogDlg&) = delete;

    // Shows the window beside owner, clear of keepClear (owner's status area, in screen coordinates), made
    // at the first call, or brings it to the front.
    void ShowBeside(HWND owner, const RECT& keepClear);
    using CModelessDialog::Window;

    // CDeviceLogDlgView over the window's controls.
    void SetItemText(int id, const std::string& text) override;
    void AddChoice(int comboId, const std::string& text) override;
    void SelectChoice(int comboId, std::size_t index) override;
    std::optional<std::size_t> SelectedChoice(int comboId) const override;
    void SetColumns(const std::vector<std::string>& titles) override;
    void ShowRows(std::span<const EventRow> rows) override;
    std::vector<std::size_t> SelectedRows() const override;
    void CopyText(const std::string& text) override;
    std::optional<SaveChoice> AskWhereToSave(const SaveQuestion& question) override;
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) override;
    void RepaintChart() override;
    void StartTimer(int periodMs) override;
    void StopTimer() override;
    void HideWindow() override;

private:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnInitDialog();
    bool OnCommand(WORD id, WORD code);
    bool OnNotify(const NMHDR& header);
    HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }

    HINSTANCE m_instance;
    CMessageBoxes& m_boxes;
    CDeviceLogDlgLogic m_logic;
    ChartPlanSource m_planSource;
};
