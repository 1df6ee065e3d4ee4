#include "FindDlg.h"

#include "ControlText.h"
#include "LinkStateEvent.h"
#include "resources/DialogTemplates.h"
#include "resources/resource.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QTreeWidget>

#include <algorithm>

CFindDlg::CFindDlg(QWidget* parent, CMessageBoxes& boxes, const std::string& network)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_boxes(boxes), m_logic(*this, [this](CWorkerThread& search, StateReport report) {
          QCoreApplication::postEvent(this, new CLinkStateEvent(&search, report));
      }) {
    const DialogTemplate& dialogTemplate = *FindDialogTemplate(IDD_FIND_DIALOG);
    const int dpi = logicalDpiY();
    ApplyDialogTemplateFrame(dialogTemplate, *this, dpi);
    m_controls = BuildDialogControls(dialogTemplate, *this, {}, dpi);
    FoundList()->setHeaderLabels({ResourceText(IDS_FIND_COLUMN_ADDRESS),
                                  ResourceText(IDS_FIND_COLUMN_FIRMWARE),
                                  ResourceText(IDS_FIND_COLUMN_PORTS)});
    FoundList()->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    NameControls();
    ConnectHandlers();
    m_logic.OnInitDialog(network);
    m_controls.Item(IDC_FIND_NETWORK)->setFocus();
}

// A screen reader names a button by its text; the controls without one take their neighbour's.
void CFindDlg::NameControls() {
    m_controls.Item(IDC_FIND_NETWORK)
        ->setAccessibleName(ControlText(*m_controls.Item(IDC_FIND_NETWORK_LABEL)).remove(u'&').remove(u':'));
    Progress()->setAccessibleName(ResourceText(IDS_FIND_PROGRESS));
    FoundList()->setAccessibleName(ResourceText(IDS_FIND_FOUND_LIST));
}

void CFindDlg::ConnectHandlers() {
    const auto button = [this](int id) { return static_cast<QAbstractButton*>(m_controls.Item(id)); };
    connect(button(IDC_FIND_SEARCH), &QAbstractButton::clicked, this, [this] { m_logic.OnSearch(); });
    connect(button(IDC_FIND_CONNECT), &QAbstractButton::clicked, this, [this] { m_logic.OnConnect(); });
    connect(button(kIdCancel), &QAbstractButton::clicked, this, [this] { m_logic.OnClose(); });
    connect(static_cast<QLineEdit*>(m_controls.Item(IDC_FIND_NETWORK)), &QLineEdit::returnPressed, this,
            [this] { m_logic.OnNetworkEnter(); });
    connect(FoundList(), &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        m_logic.OnFoundActivated(static_cast<std::size_t>(FoundList()->indexOfTopLevelItem(item)));
    });
}

QTreeWidget* CFindDlg::FoundList() const {
    return static_cast<QTreeWidget*>(m_controls.Item(IDC_FIND_LIST));
}

QProgressBar* CFindDlg::Progress() const {
    return static_cast<QProgressBar*>(m_controls.Item(IDC_FIND_PROGRESS));
}

std::string CFindDlg::ItemText(int id) const {
    return ControlText(*m_controls.Item(id)).toStdString();
}

void CFindDlg::SetItemText(int id, const std::string& text) {
    SetControlText(*m_controls.Item(id), QString::fromStdString(text));
}

void CFindDlg::EnableItem(int id, bool enabled) {
    m_controls.Item(id)->setEnabled(enabled);
}

void CFindDlg::FocusItem(int id) {
    m_controls.Item(id)->setFocus();
}

void CFindDlg::SetProgress(std::size_t tried, std::size_t total) {
    // A range of 0 to 0 would show the bar busy; before a search it is empty, as on Windows.
    Progress()->setRange(0, static_cast<int>(std::max<std::size_t>(total, 1)));
    Progress()->setValue(static_cast<int>(tried));
    Progress()->setTextVisible(total > 0);
    Progress()->setFormat(QStringLiteral("%v / %m"));
}

void CFindDlg::ClearFoundDevices() {
    FoundList()->clear();
}

void CFindDlg::InsertFoundDevice(std::size_t at, const FoundDeviceRow& row) {
    FoundList()->insertTopLevelItem(
        static_cast<int>(at),
        new QTreeWidgetItem({QString::fromStdString(row.address), QString::fromStdString(row.firmware),
                             QString::fromStdString(row.ports)}));
}

std::optional<std::size_t> CFindDlg::SelectedFoundDevice() const {
    QTreeWidgetItem* item = FoundList()->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(FoundList()->indexOfTopLevelItem(item));
}

MessageAnswer CFindDlg::ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) {
    return m_boxes.Show(*this, text, caption, kind);
}

void CFindDlg::EndDialog(int result) {
    done(result);
}

void CFindDlg::customEvent(QEvent* event) {
    if (event->type() == CLinkStateEvent::EventType()) {
        m_logic.OnSearchState(static_cast<const CLinkStateEvent*>(event)->Report());
    }
}
