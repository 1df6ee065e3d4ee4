#pragma once

#include "AnswersDlg.h"
#include "DeviceLogDlg.h"
#include "DevicesDlg.h"
#include "DialogLoopFilter.h"
#include "GdiObject.h"
#include "LampControl.h"
#include "MessageBoxes.h"
#include "ModalDialog.h"
#include "NotifyIcon.h"
#include "StatusText.h"
#include "ui/CommandLine.h"
#include "ui/ConfigDlgLogic.h"
#include "ui/ControlFonts.h"
#include "ui/DialogView.h"
#include "ui/LayoutFlow.h"
#include "ui/StatusControls.h"

#include <windows.h>

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The main window, a modal dialog from template 102: the shared logic decides, this class turns window
// messages into its calls and carries out what it does to the window on the dialog's controls.
class CConfigDlg : public CDialogView, private CModalDialog {
public:
    // The system-menu command that switches the alarms on and off; the low four bits are Windows' own.
    static constexpr unsigned kIdmNotifyProblems = 0x0020;
    // The system-menu command, also on Ctrl+F, that opens the Find dialog.
    static constexpr unsigned kIdmFindDevices = 0x0030;
    // The system-menu command, also on Ctrl+L, that opens the device log window.
    static constexpr unsigned kIdmDeviceLog = 0x0040;
    // The system-menu command, also on Ctrl+E, that opens the device's answers window.
    static constexpr unsigned kIdmDeviceAnswers = 0x0070;
    // The system-menu command, also on Ctrl+D, that opens the Devices window.
    static constexpr unsigned kIdmDevices = 0x0050;

    // boxes answers every message box of the window.
    CConfigDlg(HINSTANCE instance, CMessageBoxes& boxes);

    // Runs the window until its close routine ends it, with the address and Connect press of the
    // command line; the dialog's result, 0.
    INT_PTR DoModal(const CommandLine& commandLine);

    // What the window does: its handlers, the links and the close routine.
    CConfigDlgLogic& Logic() { return m_logic; }
    // The icon in the notification area and the balloons it showed.
    const CNotifyIcon& NotifyIcon() const { return m_notifyIcon; }

    // What the shared logic does to the window (ConfigDlgView.cpp).
    std::string ItemText(int id) const override;
    void SetItemText(int id, const std::string& text) override;
    void SetAddressChoices(const std::vector<std::string>& addresses) override;
    void SaveRecentAddresses(const std::vector<std::string>& addresses) override;
    void EnableItem(int id, bool enabled) override;
    bool IsItemChecked(int id) const override;
    void SetItemChecked(int id, bool checked) override;
    void ShowItem(int id, bool shown) override;
    void SetStatusActive(int id, bool active) override;
    void SetLamp(int lampId, int bitmapId) override;
    void SetLampTooltip(int lampId, const std::string& text) override;
    void RelayoutWindow() override;
    void PressWhenShown(int id) override;
    void StartTimer(int timerId, int periodMs) override;
    void StopTimer(int timerId) override;
    void RepaintWindow() override;
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) override;
    void EndDialog(int result) override;
    void RaiseAlarm(const Alarm& alarm) override;
    void WithdrawAlarms() override;
    void WithdrawAlarm(const Alarm& alarm) override;
    void SetTrayTip(const std::string& text) override;

private:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    BOOL OnInitDialog();
    // The items "Device log…", "Device's answers…", "Devices…", "Find devices…", "Notify me of problems" (a
    // check item) and About, below the system menu's own; Ctrl+L, Ctrl+E, Ctrl+D and Ctrl+F for the first four.
    void InstallSystemMenuItems();
    // Opens the Find dialog; the device the user picks there is connected to.
    void OnFindDevices();
    // Opens the device log window beside this one.
    void ShowDeviceLog();
    // Opens the device's answers window beside this one.
    void ShowDeviceAnswers();
    // The status area in screen coordinates, which the companion windows keep clear of.
    RECT StatusArea() const;
    // Opens the Devices window, made hidden with this one.
    void ShowDevices();
    // A double-click on the status area opens the device log; false elsewhere.
    bool OnDoubleClick(POINT point);
    void SetIcons();
    void AttachStatusTexts();
    void CreateFonts();
    void LoadLamps();

    bool OnSysCommand(WPARAM command);
    // Switches the alarms on or off and shows it on the system menu's item.
    void SetNotifyProblems(bool on);
    // The icon or its balloon was clicked: the window comes to the front, restored if minimised.
    void BringToFront();
    // WM_ACTIVATE; whether the window placed the focus itself.
    bool OnActivate(WORD state);
    // Moves the keyboard focus to the dialog itself, off every control.
    void TakeFocus();
    bool OnPaintIconic();
    bool OnCommand(int id, int code);

    HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }
    // The status control of id; null for any other control.
    CStatusText* StatusText(int id);
    int Dpi() const;

    // The computed layout (ConfigDlgLayout.cpp), on start, on every WM_SIZE and when the version line's
    // text changes.
    void LayoutControls();

    HINSTANCE m_instance;
    CMessageBoxes& m_boxes;
    CommandLine m_commandLine;
    HICON m_hIcon;
    HICON m_hSmallIcon;
    // By the index of kControlFonts.
    std::array<CGdiObject<HFONT>, kControlFonts.size()> m_fonts;
    std::map<int, CGdiObject<HBITMAP>> m_lampBitmaps;
    // By control id; declared after the bitmaps, so that they outlive the lamps that show them.
    std::map<int, CLampControl> m_lamps;
    // By the index of kStatusTextIds.
    std::array<CStatusText, kStatusTextIds.size()> m_statusTexts;
    CLayoutFlow m_layoutFlow;
    bool m_takingFocus = false;
    // The focus when the window last went behind another; null while it is in front.
    HWND m_focusOnDeactivation = nullptr;
    CNotifyIcon m_notifyIcon;
    // The device and subject of the last balloon raised.
    std::optional<std::pair<std::string, TransitionSubject>> m_balloonOf;
    CDialogLoopFilter m_loopFilter;
    // Last: its links and relay stop before the window's parts go.
    CConfigDlgLogic m_logic;
    // After the logic, whose log it shows, so that it goes first.
    std::unique_ptr<CDeviceLogDlg> m_deviceLogDlg;
    std::unique_ptr<CAnswersDlg> m_answersDlg;
    // After the logic, whose alarms and connection it uses, so that it goes first; made with the window,
    // so that its devices are watched from the start.
    std::unique_ptr<CDevicesDlg> m_devicesDlg;
};
