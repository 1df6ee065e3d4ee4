#pragma once

#include "DesktopNotifier.h"
#include "DialogBuilder.h"
#include "LogicTimers.h"
#include "MessageBoxes.h"
#include "ui/ConfigDlgLogic.h"
#include "ui/ControlFonts.h"
#include "ui/DialogView.h"
#include "ui/LayoutFlow.h"

#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QPixmap>

#include <array>
#include <map>
#include <string>
#include <vector>

class CAnswersDlg;
class CDeviceLogDlg;
class CDevicesDlg;
class CStatusText;
class QAbstractButton;
class QMenu;

// The main window in Qt: builds its controls from the template, lays them out, and turns its events into
// calls on the shared window logic, whose view it is.
class CConfigDlg : public QDialog, public CDialogView {
    Q_OBJECT

public:
    // boxes answers every message box of the window (tests pass their own).
    explicit CConfigDlg(CMessageBoxes& boxes);

    // Builds the controls, sets the start texts and states and starts the relay; call once, before the
    // window is shown.
    void OnInitDialog();

    // The window's controls by id (the role of GetDlgItem).
    const CDialogControls& Controls() const { return m_controls; }
    // What the window does: its handlers, the links and the close routine.
    CConfigDlgLogic& Logic() { return m_logic; }
    const CConfigDlgLogic& Logic() const { return m_logic; }

    // A command of the system menu; the About item is the only one handled here.
    void OnSysCommand(unsigned command);
    // Opens the device log window beside this one (the menu item, Ctrl+L, a double-click on the status).
    void ShowDeviceLog();
    // The device log window once it was opened; null before.
    CDeviceLogDlg* DeviceLogWindow() const { return m_deviceLogDlg; }
    // Opens the device's answers window (the menu item, Ctrl+E).
    void ShowDeviceAnswers();
    // The device's answers window once it was opened; null before.
    CAnswersDlg* AnswersWindow() const { return m_answersDlg; }
    // Opens the Devices window (the menu item, Ctrl+D).
    void ShowDevices();
    // The Devices window, made hidden with this one so that its devices are watched from the start.
    CDevicesDlg* DevicesWindow() const { return m_devicesDlg; }
    // Adds the items of the window's context menu to menu: About, the device log, the device's answers,
    // the Devices window, "Find devices…", and "Notify me of problems", whose tick switches the alarms and
    // is remembered for the user.
    void AddContextMenuItems(QMenu& menu);
    // Opens the Find dialog (also on Ctrl+F); the device the user picks there is connected to.
    void OnFindDevices();

    // CDialogView over the widgets (ConfigDlgView.cpp).
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
    // There is no notification-area icon here: window managers differ too much to count on one.
    void SetTrayTip(const std::string&) override {}

protected:
    void customEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // Enter and Esc must not end the dialog.
    void accept() override {}
    void reject() override {}

private:
    QWidget* Item(int id) const { return m_controls.Item(id); }
    QAbstractButton* Button(int id) const;
    CStatusText* StatusText(int id) const { return m_controls.StatusText(id); }

    void BuildControls();
    void InstallAboutCommand();
    void InstallDeviceLogCommand();
    void InstallAnswersCommand();
    void InstallDevicesCommand();
    void InstallFindCommand();
    void CreateFonts();
    void ConnectHandlers();
    // A click on a notification: the window comes to the front, restored if minimised.
    void BringToFront();

    void LayoutControls();
    // The status area on the screen, which the companion windows keep clear of.
    QRect StatusArea() const;

    CMessageBoxes& m_boxes;
    CDialogControls m_controls;
    QIcon m_hIcon;
    CLayoutFlow m_layoutFlow;
    // By the index of kControlFonts.
    std::array<QFont, kControlFonts.size()> m_fonts;
    std::map<int, QPixmap> m_lampBitmaps;
    CLogicTimers m_timers{*this, Qt::PreciseTimer};
    CDesktopNotifier m_notifier;
    // A child: it goes with the window.
    CDeviceLogDlg* m_deviceLogDlg = nullptr;
    // Children too.
    CAnswersDlg* m_answersDlg = nullptr;
    CDevicesDlg* m_devicesDlg = nullptr;
    // Last: its relay posts to this window, so it goes first.
    CConfigDlgLogic m_logic;
};
