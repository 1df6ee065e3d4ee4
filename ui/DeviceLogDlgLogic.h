#pragma once

#include "DeviceLog.h"
#include "DeviceLogDlgView.h"
#include "DeviceLogRows.h"

#include "devicelog/ChartLabels.h"
#include "devicelog/ChartPlan.h"
#include "devicelog/EventTime.h"
#include "runtime/RealTimeClock.h"

#include <cstdint>
#include <functional>
#include <vector>

// The clocks the log window reads; tests replace both.
struct DeviceLogDlgClock {
    // This PC's clock in microseconds since 1970 UTC: the chart's span ends then.
    std::function<std::int64_t()> utcNow = RealTimeMicros;
    // This PC's time zone at a moment, in seconds east of UTC, for the chart's time labels.
    std::function<int(std::int64_t utcMicros)> utcOffset = UtcOffsetSeconds;
};

// The log window's chart of input's readings in a control of width by height pixels, its labels placed
// for font and its strips captioned as the main window's lamps.
ChartPlan PlanDeviceLogChart(const ChartInput& input, int width, int height, const ChartFont& font);

// What the device log window does, without a display: the chart of the span the user picks, the events
// through the severity filter, newest first, refreshed while the window is shown, their copy and their
// saving as CSV. It acts on the window only through a CDeviceLogDlgView; the front end turns the window's
// events into the handlers below and paints the chart with ChartPlanFor, all on the window thread.
class CDeviceLogDlgLogic {
public:
    // A second between refreshes: the chart moves with the clock, and new events show.
    static constexpr int kRefreshMs = 1000;

    // Shows log, which outlives the logic.
    CDeviceLogDlgLogic(CDeviceLogDlgView& view, const CDeviceLog& log, DeviceLogDlgClock clock = {});
    CDeviceLogDlgLogic(const CDeviceLogDlgLogic&) = delete;
    CDeviceLogDlgLogic& operator=(const CDeviceLogDlgLogic&) = delete;

    // Fills the span and filter lists (an hour, every event) and titles the list's columns.
    void OnInitDialog();
    // The window is shown or brought to the front: what the log holds now, and again every kRefreshMs.
    void OnShow();
    void OnTimer();
    void OnSpanChanged();
    void OnFilterChanged();
    // The Copy button, and Ctrl+C in the list: the selected rows whole, as RowsText gives them.
    void OnCopy();
    // "Save as CSV…": asks where, offering the device's name of the day, then writes the file type chosen
    // whole or says why it could not.
    void OnSave();
    // The Close button, Esc and the title bar's close: hides the window and stops its refresh.
    void OnClose();

    // The chart's plan now, for a control of width by height pixels whose labels are in font.
    ChartPlan ChartPlanFor(int width, int height, const ChartFont& font) const;

private:
    void Refresh();
    void FillList();
    ChartSpan SelectedSpan() const;
    EventFilter SelectedFilter() const;
    // The readings of the selected span, ending at now.
    std::span<const LogReading> SpanReadings(std::int64_t now) const;

    CDeviceLogDlgView& m_view;
    const CDeviceLog& m_log;
    DeviceLogDlgClock m_clock;
    std::vector<EventRow> m_rows; // as the list shows them
    std::uint64_t m_shownRevision = 0;
};
