#include "AnswersDlg.h"

#include "CompanionWindow.h"
#include "ControlText.h"
#include "resources/DialogTemplates.h"
#include "resources/resource.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QSignalBlocker>
#include <QTreeWidget>

CAnswersDlg::CAnswersDlg(AnswersSource source, QWidget* parent)
    : QDialog(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_logic(*this, std::move(source)) {
    const DialogTemplate& dialogTemplate = *FindDialogTemplate(IDD_DEVICE_ANSWERS);
    const int dpi = logicalDpiY();
    ApplyDialogTemplateFrame(dialogTemplate, *this, dpi);
    m_controls = BuildDialogControls(dialogTemplate, *this, {}, dpi);
    m_logic.OnInitDialog();
    NameControls();
    ConnectHandlers();
}

void CAnswersDlg::NameControls() {
    for (const auto& [id, name] : kAnswersAccessibleNames) {
        m_controls.Item(id)->setAccessibleName(ResourceText(name));
    }
    // The labels' mnemonics move the focus to what they label.
    for (const auto& [label, buddy] : {std::pair{IDC_ANSWERS_EXCHANGES_LABEL, IDC_ANSWERS_EXCHANGES},
                                       std::pair{IDC_ANSWERS_ANSWER_LABEL, IDC_ANSWERS_ANSWER},
                                       std::pair{IDC_ANSWERS_PEERS_LABEL, IDC_ANSWERS_PEERS}}) {
        if (auto* text = qobject_cast<QLabel*>(m_controls.Item(label))) {
            text->setBuddy(m_controls.Item(buddy));
        }
    }
    for (int id : {IDC_ANSWERS_COPY, IDC_ANSWERS_CLOSE}) {
        auto* button = static_cast<QAbstractButton*>(m_controls.Item(id));
        button->setAccessibleName(button->text());
    }
}

void CAnswersDlg::ConnectHandlers() {
    connect(static_cast<QAbstractButton*>(m_controls.Item(IDC_ANSWERS_COPY)), &QAbstractButton::clicked, this,
            [this] { m_logic.OnCopy(); });
    connect(static_cast<QAbstractButton*>(m_controls.Item(IDC_ANSWERS_CLOSE)), &QAbstractButton::clicked,
            this, [this] { m_logic.OnClose(); });
    connect(List(IDC_ANSWERS_EXCHANGES), &QTreeWidget::itemSelectionChanged, this,
            [this] { m_logic.OnSelectionChanged(); });
    connect(&m_refresh, &QTimer::timeout, this, [this] { m_logic.OnTimer(); });
}

void CAnswersDlg::ShowBeside(const QWidget& parent, const QRect& keepClear) {
    m_logic.OnShow();
    ShowBesideParent(*this, parent, keepClear);
}

void CAnswersDlg::SetItemText(int id, const std::string& text) {
    SetControlText(*m_controls.Item(id), QString::fromStdString(text));
}

void CAnswersDlg::SetColumns(int listId, const std::vector<std::string>& titles) {
    QStringList headers;
    for (const std::string& title : titles) {
        headers << QString::fromStdString(title);
    }
    List(listId)->setHeaderLabels(headers);
}

void CAnswersDlg::ShowRows(int listId, const std::vector<ListRow>& rows) {
    QTreeWidget* list = List(listId);
    // The logic shows the answer of the selection it restores; the emptied list selects nothing meanwhile.
    const QSignalBlocker quiet(list);
    list->clear();
    QList<QTreeWidgetItem*> items;
    for (const ListRow& row : rows) {
        QStringList cells;
        for (const std::string& cell : row) {
            cells << QString::fromStdString(cell);
        }
        items.append(new QTreeWidgetItem(cells));
    }
    list->addTopLevelItems(items);
    // Every column but the last fits its texts; the last (the answer, the jitter) takes what is left.
    for (int column = 0; column + 1 < list->columnCount(); ++column) {
        list->resizeColumnToContents(column);
    }
}

void CAnswersDlg::SelectRow(int listId, std::size_t index) {
    QTreeWidget* list = List(listId);
    const QSignalBlocker quiet(list);
    if (QTreeWidgetItem* item = list->topLevelItem(static_cast<int>(index))) {
        list->setCurrentItem(item);
    }
}

std::optional<std::size_t> CAnswersDlg::SelectedRow(int listId) const {
    const QTreeWidget* list = List(listId);
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    if (selected.isEmpty()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(list->indexOfTopLevelItem(selected.front()));
}

void CAnswersDlg::CopyText(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void CAnswersDlg::StartTimer(int periodMs) {
    m_refresh.start(periodMs);
}

void CAnswersDlg::StopTimer() {
    m_refresh.stop();
}

void CAnswersDlg::HideWindow() {
    done(QDialog::Rejected);
}

QTreeWidget* CAnswersDlg::List(int id) const {
    return static_cast<QTreeWidget*>(m_controls.Item(id));
}
