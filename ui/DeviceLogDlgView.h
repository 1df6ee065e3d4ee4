#pragma once

#include "DeviceLogRows.h"
#include "MessageKind.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

// What the save box asks: its caption, the name it offers, its file types in order and the extension a
// name typed without one gets.
struct SaveQuestion {
    std::string caption;
    std::string offeredName;
    std::vector<std::string> types;
    std::string extension;
};

// Where the user chose to save, as the runtime's file functions take a path, and the file type chosen,
// counted from 0.
struct SaveChoice {
    std::string path;
    std::size_t type = 0;
};

// Everything the device log window's logic does to its window, by control id (resources/resource.h,
// IDC_LOG_*), with UTF-8 texts. Each front end implements it over its own controls and paints the chart
// with the logic's plan; every call comes on the window thread.
class CDeviceLogDlgView {
public:
    virtual ~CDeviceLogDlgView() = default;

    // Replaces the text a control shows.
    virtual void SetItemText(int id, const std::string& text) = 0;
    // Appends a choice to the drop-down list comboId.
    virtual void AddChoice(int comboId, const std::string& text) = 0;
    // Selects the choice of comboId at index, counted from 0.
    virtual void SelectChoice(int comboId, std::size_t index) = 0;
    // The selected choice of comboId, counted from 0; nothing when none is.
    virtual std::optional<std::size_t> SelectedChoice(int comboId) const = 0;
    // Gives the event list its column titles, left to right.
    virtual void SetColumns(const std::vector<std::string>& titles) = 0;
    // Replaces the event list's rows, top to bottom, each row's cells in the columns' order.
    virtual void ShowRows(std::span<const EventRow> rows) = 0;
    // The rows of the event list the user selected, counted from 0, top to bottom.
    virtual std::vector<std::size_t> SelectedRows() const = 0;
    // Puts text on the clipboard; a clipboard another program holds leaves it as it was.
    virtual void CopyText(const std::string& text) = 0;
    // Asks in a modal save box where to save, replacing a file only when the user agreed to; nothing
    // when the user cancelled.
    virtual std::optional<SaveChoice> AskWhereToSave(const SaveQuestion& question) = 0;
    // Shows a modal message box owned by the window and returns the answer.
    virtual MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                                      MessageKind kind) = 0;
    // Repaints the chart, with the plan the logic makes for it then.
    virtual void RepaintChart() = 0;
    // Starts the refresh timer firing every periodMs, replacing a running one.
    virtual void StartTimer(int periodMs) = 0;
    // Stops the refresh timer; nothing happens when it does not run.
    virtual void StopTimer() = 0;
    // Hides the window, which keeps what it shows for the next time.
    virtual void HideWindow() = 0;
};
