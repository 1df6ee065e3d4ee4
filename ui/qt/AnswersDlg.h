#pragma once

#include "DialogBuilder.h"
#include "ui/AnswersDlgLogic.h"
#include "ui/AnswersDlgView.h"

#include <QDialog>
#include <QTimer>

class QTreeWidget;

// The device's answers window in Qt: builds its controls from the template and turns its events into
// calls on the shared logic, whose view it is. Modeless; closing only hides it.
class CAnswersDlg : public QDialog, public CAnswersDlgView {
    Q_OBJECT

public:
    CAnswersDlg(AnswersSource source, QWidget* parent);

    // Shows the window beside parent, clear of keepClear (parent's status area, on the screen), or raises
    // it when it is shown already.
    void ShowBeside(const QWidget& parent, const QRect& keepClear);

    const CDialogControls& Controls() const { return m_controls; }

    // CAnswersDlgView over the widgets.
    void SetItemText(int id, const std::string& text) override;
    void SetColumns(int listId, const std::vector<std::string>& titles) override;
    void ShowRows(int listId, const std::vector<ListRow>& rows) override;
    void SelectRow(int listId, std::size_t index) override;
    std::optional<std::size_t> SelectedRow(int listId) const override;
    void CopyText(const std::string& text) override;
    void StartTimer(int periodMs) override;
    void StopTimer() override;
    void HideWindow() override;

protected:
    // Esc and the title bar's close go through the logic, which stops the refresh.
    void reject() override { m_logic.OnClose(); }

private:
    void NameControls();
    void ConnectHandlers();
    QTreeWidget* List(int id) const;

    CDialogControls m_controls;
    QTimer m_refresh;
    CAnswersDlgLogic m_logic;
};
