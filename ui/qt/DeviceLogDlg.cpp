#include "DeviceLogDlg.h"

#include "ChartView.h"
#include "CompanionWindow.h"
#include "ControlText.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "resources/resource.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTreeWidget>

#include <algorithm>

CDeviceLogDlg::CDeviceLogDlg(const CDeviceLog& log, CMessageBoxes& boxes, QWidget* parent)
    : QDialog(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_boxes(boxes), m_logic(*this, log) {
    const DialogTemplate& dialogTemplate = *FindDialogTemplate(IDD_DEVICE_LOG);
    const int dpi = logicalDpiY();
    ApplyDialogTemplateFrame(dialogTemplate, *this, dpi);
    m_controls = BuildDialogControls(dialogTemplate, *this, {}, dpi);
    m_logic.OnInitDialog();
    NameControls();
    Chart()->SetPlanSource([this](int width, int height, const ChartFont& font) {
        return m_logic.ChartPlanFor(width, height, font);
    });
    ConnectHandlers();
}

void CDeviceLogDlg::NameControls() {
    for (const auto& [id, name] : kLogAccessibleNames) {
        m_controls.Item(id)->setAccessibleName(ResourceText(name));
    }
    // Buttons are named by their captions; the template's are plain text.
    for (int id : {IDC_LOG_SAVE, IDC_LOG_COPY, IDC_LOG_CLOSE}) {
        auto* button = static_cast<QAbstractButton*>(m_controls.Item(id));
        button->setAccessibleName(button->text());
    }
}

void CDeviceLogDlg::ConnectHandlers() {
    connect(Combo(IDC_LOG_SPAN), &QComboBox::currentIndexChanged, this, [this] { m_logic.OnSpanChanged(); });
    connect(Combo(IDC_LOG_FILTER), &QComboBox::currentIndexChanged, this,
            [this] { m_logic.OnFilterChanged(); });
    const auto clicked = [this](int id, void (CDeviceLogDlgLogic::*handler)()) {
        connect(static_cast<QAbstractButton*>(m_controls.Item(id)), &QAbstractButton::clicked, this,
                [this, handler] { (m_logic.*handler)(); });
    };
    clicked(IDC_LOG_SAVE, &CDeviceLogDlgLogic::OnSave);
    clicked(IDC_LOG_COPY, &CDeviceLogDlgLogic::OnCopy);
    clicked(IDC_LOG_CLOSE, &CDeviceLogDlgLogic::OnClose);
    // The list's own Copy takes one cell; whole rows are what the Copy button takes.
    List()->installEventFilter(this);
    connect(&m_refresh, &QTimer::timeout, this, [this] { m_logic.OnTimer(); });
}

void CDeviceLogDlg::ShowBeside(const QWidget& parent, const QRect& keepClear) {
    m_logic.OnShow();
    ShowBesideParent(*this, parent, keepClear);
}

void CDeviceLogDlg::SetItemText(int id, const std::string& text) {
    QWidget& control = *m_controls.Item(id);
    SetControlText(control, QString::fromStdString(text));
    // An empty warning is no warning: hidden, a screen reader does not read its name out.
    if (id == IDC_LOG_WARNING) {
        control.setVisible(!text.empty());
    }
}

void CDeviceLogDlg::AddChoice(int comboId, const std::string& text) {
    Combo(comboId)->addItem(QString::fromStdString(text));
}

void CDeviceLogDlg::SelectChoice(int comboId, std::size_t index) {
    Combo(comboId)->setCurrentIndex(static_cast<int>(index));
}

std::optional<std::size_t> CDeviceLogDlg::SelectedChoice(int comboId) const {
    const int index = Combo(comboId)->currentIndex();
    return index < 0 ? std::nullopt : std::optional<std::size_t>(index);
}

void CDeviceLogDlg::SetColumns(const std::vector<std::string>& titles) {
    QStringList headers;
    for (const std::string& title : titles) {
        headers << QString::fromStdString(title);
    }
    List()->setHeaderLabels(headers);
}

void CDeviceLogDlg::ShowRows(std::span<const EventRow> rows) {
    QTreeWidget* list = List();
    list->clear();
    QList<QTreeWidgetItem*> items;
    for (const EventRow& row : rows) {
        QStringList cells;
        for (const std::string* cell : row.Cells()) {
            cells << QString::fromStdString(*cell);
        }
        items.append(new QTreeWidgetItem(cells));
    }
    list->addTopLevelItems(items);
    // The mark, the times and the event are short and whole; the details take what is left.
    for (int column = 0; column + 1 < list->columnCount(); ++column) {
        list->resizeColumnToContents(column);
    }
}

std::vector<std::size_t> CDeviceLogDlg::SelectedRows() const {
    std::vector<std::size_t> rows;
    const QTreeWidget* list = List();
    for (int index = 0; index < list->topLevelItemCount(); ++index) {
        if (list->topLevelItem(index)->isSelected()) {
            rows.push_back(static_cast<std::size_t>(index));
        }
    }
    return rows;
}

void CDeviceLogDlg::CopyText(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

std::optional<SaveChoice> CDeviceLogDlg::AskWhereToSave(const SaveQuestion& question) {
    QFileDialog dialog(this, QString::fromStdString(question.caption));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromStdString(question.extension));
    QStringList types;
    for (const std::string& type : question.types) {
        types << QString::fromStdString(type);
    }
    dialog.setNameFilters(types);
    dialog.selectFile(QString::fromStdString(question.offeredName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return SaveChoice{
        QFile::encodeName(dialog.selectedFiles().front()).toStdString(),
        static_cast<std::size_t>(std::max<qsizetype>(types.indexOf(dialog.selectedNameFilter()), 0))};
}

MessageAnswer CDeviceLogDlg::ShowMessage(const std::string& text, const std::string& caption,
                                         MessageKind kind) {
    return m_boxes.Show(*this, text, caption, kind);
}

void CDeviceLogDlg::RepaintChart() {
    Chart()->update();
}

void CDeviceLogDlg::StartTimer(int periodMs) {
    m_refresh.start(periodMs);
}

void CDeviceLogDlg::StopTimer() {
    m_refresh.stop();
}

void CDeviceLogDlg::HideWindow() {
    done(QDialog::Rejected);
}

bool CDeviceLogDlg::eventFilter(QObject* watched, QEvent* event) {
    const bool copy = (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
                      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy);
    if (watched != List() || !copy) {
        return QDialog::eventFilter(watched, event);
    }
    if (event->type() == QEvent::KeyPress) {
        m_logic.OnCopy();
    }
    event->accept();
    return true;
}

QComboBox* CDeviceLogDlg::Combo(int id) const {
    return static_cast<QComboBox*>(m_controls.Item(id));
}

QTreeWidget* CDeviceLogDlg::List() const {
    return static_cast<QTreeWidget*>(m_controls.Item(IDC_LOG_EVENTS));
}

CChartView* CDeviceLogDlg::Chart() const {
    return static_cast<CChartView*>(m_controls.Item(IDC_LOG_CHART));
}
