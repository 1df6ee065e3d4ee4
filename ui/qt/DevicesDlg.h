#pragma once

#include "DevicesTableModel.h"
#include "LogicTimers.h"
#include "MessageBoxes.h"
#include "QtSettingsStore.h"
#include "ui/DevicesDlgLogic.h"
#include "ui/DevicesDlgView.h"

#include <QDialog>

#include <map>
#include <string>
#include <vector>

class CConfigDlg;
class QComboBox;
class QLineEdit;
class QTableView;

// The Devices window in Qt: a table over the shared logic's rows, the controls to add, name and remove
// devices, filter and sort, and the window's events turned into calls on that logic, whose view it is.
// Modeless; closing only hides it, and the devices go on being watched. Alarms go out through the main
// window's, and a device chosen connects the main window.
class CDevicesDlg : public QDialog, public CDevicesDlgView {
    Q_OBJECT

public:
    CDevicesDlg(CConfigDlg& mainWindow, CMessageBoxes& boxes, DevicesEnvironment environment);
    ~CDevicesDlg() override;

    // Shows the window, or raises it when it is shown already.
    void ShowWindow();

    CDevicesDlgLogic& Logic() { return m_logic; }
    // The window's controls by id (IDC_DEVICES_*).
    QWidget* Item(int id) const { return m_items.at(id); }
    QTableView* Table() const;

    // CDevicesDlgView over the widgets.
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

protected:
    void customEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Esc and the title bar's close go through the logic, which hides the window.
    void reject() override { m_logic.OnClose(); }

private:
    void BuildControls();
    void ConnectHandlers();
    QComboBox* Combo(int id) const;
    QLineEdit* Edit(int id) const;

    CConfigDlg& m_mainWindow;
    CMessageBoxes& m_boxes;
    CQtSettingsStore m_store;
    std::map<int, QWidget*> m_items;
    CLogicTimers m_timers{*this, Qt::CoarseTimer};
    CDevicesTableModel* m_model = nullptr; // a child
    // Last: its fleet's thread posts to this window, so it goes first.
    CDevicesDlgLogic m_logic;
};
