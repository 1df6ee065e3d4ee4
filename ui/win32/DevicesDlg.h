#pragma once

#include "MessageBoxes.h"
#include "ModelessDialog.h"
#include "RegistrySettingsStore.h"
#include "ui/DevicesDlgLogic.h"
#include "ui/DevicesDlgView.h"

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

class CConfigDlg;

// The Devices window in Win32: a virtual report list over the shared logic's rows, with the state's
// colour behind its words, the controls to add, name and remove devices, filter and sort, and the
// window's messages turned into calls on that logic, whose view it is. Modeless and owned by the main
// window; made hidden with it, so that the devices are watched from the program's start; closing only
// hides it. Alarms go out through the main window's, and a device chosen connects the main window.
class CDevicesDlg : public CDevicesDlgView, private CModelessDialog {
public:
    // Makes the window, hidden, and starts watching the kept devices.
    CDevicesDlg(HINSTANCE instance, HWND owner, CConfigDlg& mainWindow, CMessageBoxes& boxes,
                DevicesEnvironment environment);
    ~CDevicesDlg() override;
    CDevicesDlg(const CDevicesDlg&) = delete;
    CDevicesDlg& operator=(const CDevicesDlg&) = delete;

    // Shows the window over the main window the first time, or brings it to the front.
    void Show();
    // The window; null when it could not be made, or once the main window took it along.
    using CModelessDialog::Window;
    CDevicesDlgLogic& Logic() { return m_logic; }

    // CDevicesDlgView over the window's controls.
    std::string ItemText(int id) const override;
    void SetItemText(int id, const std::string& text) override;
    void EnableItem(int id, bool enabled) override;
    void FocusItem(int id) override;
    void AddChoice(int comboId, const std::string& text) override;
    void SelectChoice(int comboId, std::size_t index) override;
    std::optional<std::size_t> SelectedChoice(int comboId) const override;
    void SetColumns(const std::vector<std::string>& titles) override;
    void ResetRows() override;
    void UpdateRows(std::size_t first, std::size_t last) override;
    void ShowSort(DeviceColumn column, bool ascending) override;
    std::vector<std::size_t> SelectedRows() const override;
    void SelectRows(const std::vector<std::size_t>& rows) override;
    std::optional<std::string> AskFileToOpen(const std::string& caption) override;
    std::vector<std::string> FindDevices() override;
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) override;
    void StartTimer(int timerId, int periodMs) override;
    void StopTimer(int timerId) override;
    void RaiseAlarm(const Alarm& alarm) override;
    void WithdrawAlarm(const Alarm& alarm) override;
    void ConnectMainWindow(const std::string& address) override;
    void HideWindow() override;

private:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnInitDialog();
    bool OnCommand(WORD id, WORD code);
    // Enter: the control with the focus says what it means.
    void OnEnter();
    bool OnNotify(NMHDR& header);
    void FillCell(NMLVDISPINFOW& info) const;
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw) const;
    void OnInitLayout();
    void OnSize(int width, int height);
    void OnIntervalLeft();
    // The notifications of a change that the window makes itself, not the user, are not passed on.
    void OnSelectionNotified();
    // Answers a notification with result, as a dialog procedure must.
    INT_PTR Answer(LRESULT result);
    HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }

    HINSTANCE m_instance;
    CConfigDlg& m_mainWindow;
    CMessageBoxes& m_boxes;
    CRegistrySettingsStore m_store;
    // The window the fleet's thread posts to: read there, set here.
    std::atomic<HWND> m_postTo{nullptr};
    bool m_placed = false;
    bool m_changingRows = false;
    bool m_checkingInterval = false;
    // The layout the template gave, in client coordinates, from which the table stretches and the
    // controls under it keep their distance from the bottom edge; and the window's size, its least.
    RECT m_laidOutClient{};
    RECT m_laidOutTable{};
    std::vector<std::pair<int, RECT>> m_laidOutBottom;
    SIZE m_leastSize{};
    // Last: its fleet's thread posts to this window, so it goes first.
    CDevicesDlgLogic m_logic;
};
