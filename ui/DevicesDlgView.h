#pragma once

#include "Alarm.h"
#include "DeviceRow.h"
#include "MessageKind.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Everything the Devices window's logic does to its window, by control id (resources/resource.h,
// IDC_DEVICES_*), with UTF-8 texts. The table is virtual: the view asks CDevicesDlgLogic::RowCount and
// Row for what it paints, and is told here when to ask again. Each front end implements it over its own
// controls; every call comes on the window thread.
class CDevicesDlgView {
public:
    virtual ~CDevicesDlgView() = default;

    // The text a control shows: an edit's contents, a button's caption.
    virtual std::string ItemText(int id) const = 0;
    // Replaces the text a control shows; IDD_DEVICES: the window's title.
    virtual void SetItemText(int id, const std::string& text) = 0;
    // Enables or disables a control.
    virtual void EnableItem(int id, bool enabled) = 0;
    // Gives a control the keyboard focus.
    virtual void FocusItem(int id) = 0;
    // Appends a choice to the drop-down list comboId.
    virtual void AddChoice(int comboId, const std::string& text) = 0;
    // Selects the choice of comboId at index, counted from 0.
    virtual void SelectChoice(int comboId, std::size_t index) = 0;
    // The selected choice of comboId, counted from 0; nothing when none is.
    virtual std::optional<std::size_t> SelectedChoice(int comboId) const = 0;

    // Gives the table its column titles, left to right (DeviceColumn's order).
    virtual void SetColumns(const std::vector<std::string>& titles) = 0;
    // The table's rows were added, removed or reordered: it has RowCount rows, every one to read again.
    // The selection is the logic's to set again (SelectRows).
    virtual void ResetRows() = 0;
    // Rows first to last (counted from 0, last included) changed in place: read them again.
    virtual void UpdateRows(std::size_t first, std::size_t last) = 0;
    // Marks the column the table is sorted by, and which way.
    virtual void ShowSort(DeviceColumn column, bool ascending) = 0;
    // The rows the user selected, counted from 0, top to bottom.
    virtual std::vector<std::size_t> SelectedRows() const = 0;
    // Selects rows (top to bottom) and no others; the first of them, if any, takes the table's focus mark
    // and is scrolled into view.
    virtual void SelectRows(const std::vector<std::size_t>& rows) = 0;

    // Asks in a modal open box for a list file (one address a line); nothing when the user cancelled.
    virtual std::optional<std::string> AskFileToOpen(const std::string& caption) = 0;
    // Runs the Find dialog modally; the addresses it found (the one chosen first, when one was), none
    // when the user found or chose nothing.
    virtual std::vector<std::string> FindDevices() = 0;
    // Shows a modal message box owned by the window and returns the answer.
    virtual MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                                      MessageKind kind) = 0;

    // Starts timer timerId firing every periodMs, replacing a running one of that id.
    virtual void StartTimer(int timerId, int periodMs) = 0;
    // Stops timer timerId; nothing happens when it does not run.
    virtual void StopTimer(int timerId) = 0;

    // Raises an alarm through the window's alarm path (desktop notifications, the notification area).
    virtual void RaiseAlarm(const Alarm& alarm) = 0;
    // Takes the alarm of alarm's device and subject off the screen.
    virtual void WithdrawAlarm(const Alarm& alarm) = 0;

    // Asks the main window to connect to address, as if the user typed it there and pressed Connect.
    virtual void ConnectMainWindow(const std::string& address) = 0;
    // Hides the window, which goes on watching the devices and keeps what it shows.
    virtual void HideWindow() = 0;
};
