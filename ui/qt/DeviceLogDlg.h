#pragma once

#include "DialogBuilder.h"
#include "MessageBoxes.h"
#include "ui/DeviceLog.h"
#include "ui/DeviceLogDlgLogic.h"
#include "ui/DeviceLogDlgView.h"

#include <QDialog>
#include <QTimer>

class CChartView;
class QComboBox;
class QTreeWidget;

// The device log window in Qt: builds its controls from the template, paints the chart with the shared
// logic's plan and turns its events into calls on that logic, whose view it is. Modeless; closing only
// hides it, as everything it shows lives in the main window's log.
class CDeviceLogDlg : public QDialog, public CDeviceLogDlgView {
    Q_OBJECT

public:
    CDeviceLogDlg(const CDeviceLog& log, CMessageBoxes& boxes, QWidget* parent);

    // Shows the window beside parent, clear of keepClear (parent's status area, on the screen), or
    // raises it when it is shown already.
    void ShowBeside(const QWidget& parent, const QRect& keepClear);

    const CDialogControls& Controls() const { return m_controls; }

    // CDeviceLogDlgView over the widgets.
    void SetItemText(int id, const std::string& text) override;
    void AddChoice(int comboId, const std::string& text) override;
    void SelectChoice(int comboId, std::size_t index) override;
    std::optional<std::size_t> SelectedChoice(int comboId) const override;
    void SetColumns(const std::vector<std::string>& titles) override;
    void ShowRows(std::span<const EventRow> rows) override;
    std::vector<std::size_t> SelectedRows() const override;
    void CopyText(const std::string& text) override;
    std::optional<SaveChoice> AskWhereToSave(const SaveQuestion& question) override;
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) override;
    void RepaintChart() override;
    void StartTimer(int periodMs) override;
    void StopTimer() override;
    void HideWindow() override;

protected:
    // Ctrl+C in the event list copies the selected rows whole.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Esc and the title bar's close go through the logic, which stops the refresh.
    void reject() override { m_logic.OnClose(); }

private:
    void NameControls();
    void ConnectHandlers();

    QComboBox* Combo(int id) const;
    QTreeWidget* List() const;
    CChartView* Chart() const;

    CMessageBoxes& m_boxes;
    CDialogControls m_controls;
    QTimer m_refresh;
    CDeviceLogDlgLogic m_logic;
};
