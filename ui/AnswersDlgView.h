#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// One row of a list, its cells left to right, made fit for display.
using ListRow = std::vector<std::string>;

// Everything the device's answers window's logic does to its window, by control id (resources/resource.h,
// IDC_ANSWERS_*), with UTF-8 texts. Each front end implements it over its own controls; every call comes
// on the window thread.
class CAnswersDlgView {
public:
    virtual ~CAnswersDlgView() = default;

    // Replaces the text a control shows; line breaks are '\n'.
    virtual void SetItemText(int id, const std::string& text) = 0;
    // Gives the list listId its column titles, left to right.
    virtual void SetColumns(int listId, const std::vector<std::string>& titles) = 0;
    // Replaces the rows of the list listId, top to bottom, selecting none.
    virtual void ShowRows(int listId, const std::vector<ListRow>& rows) = 0;
    // Selects the row of the list listId at index, counted from 0.
    virtual void SelectRow(int listId, std::size_t index) = 0;
    // The row of the list listId the user selected; nothing when none is.
    virtual std::optional<std::size_t> SelectedRow(int listId) const = 0;
    // Puts text on the clipboard; a clipboard another program holds leaves it as it was.
    virtual void CopyText(const std::string& text) = 0;
    // Starts the refresh timer firing every periodMs, replacing a running one.
    virtual void StartTimer(int periodMs) = 0;
    // Stops the refresh timer; nothing happens when it does not run.
    virtual void StopTimer() = 0;
    // Hides the window, which keeps what it shows for the next time.
    virtual void HideWindow() = 0;
};
