#pragma once

#include "DialogBuilder.h"
#include "MessageBoxes.h"
#include "ui/DeviceLog.h"
#include "ui/DeviceLogRows.h"

#include "devicelog/ChartPlan.h"

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <vector>

class CChartView;
class QComboBox;
class QTreeWidget;

// The device log window: the offset chart of the device the main window follows, over the span the
// user picks, and its events newest first through a severity filter, to save as CSV or copy. Modeless;
// closing only hides it, as everything it shows lives in the main window's log.
class CDeviceLogDlg : public QDialog {
    Q_OBJECT

public:
    // A second between refreshes: the chart moves with the clock, and new events show.
    static constexpr int kRefreshMs = 1000;

    CDeviceLogDlg(const CDeviceLog& log, CMessageBoxes& boxes, QWidget* parent);

    // Shows the window beside parent, clear of keepClear (parent's status area, on the screen), or
    // raises it when it is shown already.
    void ShowBeside(const QWidget& parent, const QRect& keepClear);
    // Shows what the log holds now.
    void Refresh();

    const CDialogControls& Controls() const { return m_controls; }

protected:
    // Ctrl+C in the event list copies the selected rows whole.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetTexts();
    void ConnectHandlers();
    ChartSpan SelectedSpan() const;
    ChartPlan PlanFor(const ChartFrame& frame) const;
    void FillList();
    std::vector<EventRow> SelectedRows() const;
    void SaveAsCsv();
    void CopySelected();

    QComboBox* Combo(int id) const;
    QTreeWidget* List() const;
    CChartView* Chart() const;

    const CDeviceLog& m_log;
    CMessageBoxes& m_boxes;
    CDialogControls m_controls;
    std::vector<EventRow> m_rows; // as the list shows them
    std::uint64_t m_shownRevision = 0;
    QTimer m_refresh;
};
