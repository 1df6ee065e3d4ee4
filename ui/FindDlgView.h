#pragma once

#include "MessageKind.h"

#include <cstddef>
#include <optional>
#include <string>

// One found device as the list shows it, in its three columns.
struct FoundDeviceRow {
    std::string address;
    std::string firmware; // the version, escaped; or what answered when it is no device
    std::string ports;

    friend bool operator==(const FoundDeviceRow&, const FoundDeviceRow&) = default;
};

// Everything the Find dialog's logic does to its window, by control id (resources/resource.h, IDC_FIND_*),
// with UTF-8 texts. Each front end implements it over its own controls; every call comes on the window
// thread.
class CFindDlgView {
public:
    virtual ~CFindDlgView() = default;

    // The text a control shows: the network box's contents, a button's caption.
    virtual std::string ItemText(int id) const = 0;
    // Replaces the text a control shows.
    virtual void SetItemText(int id, const std::string& text) = 0;
    // Enables or disables a control.
    virtual void EnableItem(int id, bool enabled) = 0;
    // Gives a control the keyboard focus.
    virtual void FocusItem(int id) = 0;
    // Shows tried of total addresses in the progress bar (total 0: an empty bar).
    virtual void SetProgress(std::size_t tried, std::size_t total) = 0;
    // Empties the list of found devices.
    virtual void ClearFoundDevices() = 0;
    // Puts a row into the list of found devices before the row at (at the end when at is the count).
    virtual void InsertFoundDevice(std::size_t at, const FoundDeviceRow& row) = 0;
    // The row of the list the user selected, counted from 0; nothing when none is.
    virtual std::optional<std::size_t> SelectedFoundDevice() const = 0;
    // Shows a modal message box owned by the dialog and returns the answer.
    virtual MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                                      MessageKind kind) = 0;
    // Ends the dialog with result (kFindConnect or kFindClosed).
    virtual void EndDialog(int result) = 0;
};
