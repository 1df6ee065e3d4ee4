#pragma once

#include "DialogBuilder.h"
#include "MessageBoxes.h"
#include "ui/FindDlgLogic.h"
#include "ui/FindDlgView.h"

#include <QDialog>

#include <string>

class QProgressBar;
class QTreeWidget;

// The Find dialog in Qt: builds its controls from the template and turns its events into calls on the
// shared Find logic, whose view it is.
class CFindDlg : public QDialog, public CFindDlgView {
    Q_OBJECT

public:
    // network goes into the network box unsearched; boxes answers the dialog's message boxes.
    CFindDlg(QWidget* parent, CMessageBoxes& boxes, const std::string& network);

    // The dialog's controls by id.
    const CDialogControls& Controls() const { return m_controls; }
    const CFindDlgLogic& Logic() const { return m_logic; }

    // CFindDlgView over the widgets.
    std::string ItemText(int id) const override;
    void SetItemText(int id, const std::string& text) override;
    void EnableItem(int id, bool enabled) override;
    void FocusItem(int id) override;
    void SetProgress(std::size_t tried, std::size_t total) override;
    void ClearFoundDevices() override;
    void InsertFoundDevice(std::size_t at, const FoundDeviceRow& row) override;
    std::optional<std::size_t> SelectedFoundDevice() const override;
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) override;
    void EndDialog(int result) override;

protected:
    void customEvent(QEvent* event) override;
    // Esc and the title bar's close go through the logic, which stops the search first.
    void reject() override { m_logic.OnClose(); }

private:
    void NameControls();
    void ConnectHandlers();
    QTreeWidget* FoundList() const;
    QProgressBar* Progress() const;

    CMessageBoxes& m_boxes;
    CDialogControls m_controls;
    // Last: its relay posts to this dialog, so it goes first.
    CFindDlgLogic m_logic;
};
