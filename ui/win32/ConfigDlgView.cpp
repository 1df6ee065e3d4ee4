// What the shared window logic does to the window, carried out on the dialog's controls.
#include "ConfigDlg.h"

#include "RecentAddressSetting.h"
#include "WideText.h"
#include "resources/resource.h"
#include "ui/BalloonText.h"

#include <iterator>

namespace {

constexpr UINT kAlarmFlashes = 3;

// The shell's room for a balloon's title, its terminating null aside.
constexpr std::size_t kBalloonTitleUnits = std::size(NOTIFYICONDATAW{}.szInfoTitle) - 1;

DWORD BalloonIcon(const Alarm& alarm) {
    if (alarm.urgency == AlarmUrgency::Critical) {
        return NIIF_ERROR;
    }
    return alarm.kind == AlarmKind::Loss ? NIIF_WARNING : NIIF_INFO;
}

} // namespace

std::string CConfigDlg::ItemText(int id) const {
    return WindowText(Item(id));
}

void CConfigDlg::SetAddressChoices(const std::vector<std::string>& addresses) {
    HWND combo = Item(IDC_DEVICE_ADDRESS);
    // Emptying the list empties the edit too; the box's text is the logic's, not the list's.
    const std::wstring text = WideWindowText(combo);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& address : addresses) {
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(address).c_str()));
    }
    SetWindowTextW(combo, text.c_str());
}

void CConfigDlg::SaveRecentAddresses(const std::vector<std::string>& addresses) {
    // A list that cannot be remembered is still offered until the window closes.
    (void)SaveRecentAddressList(addresses);
}

void CConfigDlg::SetItemText(int id, const std::string& text) {
    SetDlgItemTextW(m_hwnd, id, Widen(text).c_str());
}

void CConfigDlg::EnableItem(int id, bool enabled) {
    HWND control = Item(id);
    HWND focus = GetFocus();
    // A drop-down's focus is on its own edit, a child of the control.
    if (!enabled && focus != nullptr && (focus == control || IsChild(control, focus))) {
        // The dialog manager would pass the focus on to the next tab stop, often Close or Connect, which
        // the user's next Space would press. The window takes it instead. Behind another program's window
        // GetFocus is null here; OnActivate settles that case on the way back.
        TakeFocus();
    }
    EnableWindow(control, enabled ? TRUE : FALSE);
}

void CConfigDlg::TakeFocus() {
    m_takingFocus = true;
    // Through the dialog manager, which also takes the default look off a button that had the focus.
    SendMessageW(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_hwnd), TRUE);
    m_takingFocus = false;
}

bool CConfigDlg::IsItemChecked(int id) const {
    return IsDlgButtonChecked(m_hwnd, id) == BST_CHECKED;
}

void CConfigDlg::SetItemChecked(int id, bool checked) {
    CheckDlgButton(m_hwnd, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void CConfigDlg::ShowItem(int id, bool shown) {
    ShowWindow(Item(id), shown ? SW_SHOW : SW_HIDE);
}

void CConfigDlg::SetStatusActive(int id, bool active) {
    StatusText(id)->SetActive(active);
}

void CConfigDlg::SetLamp(int lampId, int bitmapId) {
    m_lamps.at(lampId).Show(m_lampBitmaps.at(bitmapId).Get());
}

void CConfigDlg::SetLampTooltip(int lampId, const std::string& text) {
    m_lamps.at(lampId).SetTip(Widen(text));
}

void CConfigDlg::RelayoutWindow() {
    LayoutControls();
}

void CConfigDlg::PressWhenShown(int id) {
    // The command a click sends, with the button as its sender. BM_CLICK may fail while the dialog is not
    // the active window (started from a script or a scheduler), and it moves the focus onto the button.
    PostMessageW(m_hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
}

void CConfigDlg::StartTimer(int timerId, int periodMs) {
    SetTimer(m_hwnd, static_cast<UINT_PTR>(timerId), static_cast<UINT>(periodMs), nullptr);
}

void CConfigDlg::StopTimer(int timerId) {
    KillTimer(m_hwnd, static_cast<UINT_PTR>(timerId));
}

void CConfigDlg::RepaintWindow() {
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

MessageAnswer CConfigDlg::ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) {
    return m_boxes.Show(m_hwnd, text, caption, kind);
}

void CConfigDlg::EndDialog(int result) {
    ::EndDialog(m_hwnd, result);
}

void CConfigDlg::RaiseAlarm(const Alarm& alarm) {
    // Without a notification area the taskbar is all there is to tell.
    const BalloonText balloon = FitBalloon(alarm, kBalloonTitleUnits);
    (void)m_notifyIcon.ShowBalloon(Widen(balloon.title), Widen(balloon.text), BalloonIcon(alarm));
    m_balloonOf.emplace(alarm.device, alarm.subject);
    // The user working in another window learns of it from the taskbar too, until coming back.
    if (GetForegroundWindow() != m_hwnd) {
        FLASHWINFO flash{sizeof flash, m_hwnd, FLASHW_TRAY | FLASHW_TIMERNOFG, kAlarmFlashes, 0};
        FlashWindowEx(&flash);
    }
}

void CConfigDlg::WithdrawAlarms() {
    m_notifyIcon.HideBalloon();
}

void CConfigDlg::WithdrawAlarm(const Alarm& alarm) {
    // The shell shows one balloon at a time: only the last one can still be this alarm's.
    if (m_balloonOf && m_balloonOf->first == alarm.device && m_balloonOf->second == alarm.subject) {
        m_notifyIcon.HideBalloon();
        m_balloonOf.reset();
    }
}

void CConfigDlg::SetTrayTip(const std::string& text) {
    m_notifyIcon.SetTip(Widen(text));
}
