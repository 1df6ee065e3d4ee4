#pragma once

#include "ChartControl.h"
#include "MessageBoxes.h"
#include "ui/DeviceLog.h"
#include "ui/DeviceLogRows.h"

#include <windows.h>

#include <cstdint>
#include <vector>

// The device log window: the offset chart of the device the main window follows, over the span the
// user picks, and its events newest first through a severity filter, to save as CSV or copy. Modeless;
// closing only hides it, as everything it shows lives in the main window's log.
class CDeviceLogDlg {
public:
    // A second between refreshes: the chart moves with the clock, and new events show.
    static constexpr UINT kRefreshMs = 1000;

    CDeviceLogDlg(HINSTANCE instance, const CDeviceLog& log, CMessageBoxes& boxes);
    ~CDeviceLogDlg();
    CDeviceLogDlg(const CDeviceLogDlg&) = delete;
    CDeviceLogDlg& operator=(const CDeviceLogDlg&) = delete;

    // Shows the window beside owner, clear of keepClear (owner's status area, in screen coordinates), made
    // at the first call, or brings it to the front.
    void ShowBeside(HWND owner, const RECT& keepClear);
    // The window once made; null before.
    HWND Window() const { return m_hwnd; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    bool OnCommand(WORD id, WORD code);
    bool OnNotify(const NMHDR& header);
    void Refresh();
    void FillList();
    ChartPlan PlanFor(const ChartFrame& frame) const;
    int Selection(int comboId) const;
    std::vector<EventRow> SelectedRows() const;
    void SaveAsCsv();
    void CopySelected();
    HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }

    HINSTANCE m_instance;
    const CDeviceLog& m_log;
    CMessageBoxes& m_boxes;
    HWND m_hwnd = nullptr;
    ChartPlanSource m_planSource;
    std::vector<EventRow> m_rows; // as the list shows them
    std::uint64_t m_shownRevision = 0;
};
