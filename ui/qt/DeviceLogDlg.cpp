#include "DeviceLogDlg.h"

#include "ChartView.h"
#include "resources/DialogTemplates.h"
#include "resources/StringLookup.h"
#include "resources/StringTable.h"
#include "resources/resource.h"
#include "ui/CompanionPlacement.h"
#include "ui/DeviceLogSave.h"

#include "runtime/FileReplace.h"
#include "runtime/RealTimeClock.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTreeWidget>

#include <algorithm>
#include <array>

namespace {

// Between the main window and this one.
constexpr int kGapPixels = 8;

PixelRect InPixels(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

QString ResourceText(int stringId) {
    return QString::fromUtf8(LoadStringResource(stringId));
}

} // namespace

CDeviceLogDlg::CDeviceLogDlg(const CDeviceLog& log, CMessageBoxes& boxes, QWidget* parent)
    : QDialog(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_log(log), m_boxes(boxes) {
    const DialogTemplate& dialogTemplate = *FindDialogTemplate(IDD_DEVICE_LOG);
    const int dpi = logicalDpiY();
    ApplyDialogTemplateFrame(dialogTemplate, *this, dpi);
    m_controls = BuildDialogControls(dialogTemplate, *this, {}, dpi);
    SetTexts();
    Chart()->SetPlanSource([this](const ChartFrame& frame) { return PlanFor(frame); });
    ConnectHandlers();
    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &CDeviceLogDlg::Refresh);
    connect(this, &QDialog::finished, &m_refresh, &QTimer::stop);
}

void CDeviceLogDlg::SetTexts() {
    for (const auto& [span, text] : kSpanChoices) {
        Combo(IDC_LOG_SPAN)->addItem(ResourceText(text));
    }
    Combo(IDC_LOG_SPAN)->setCurrentIndex(kFirstSpanChoice);
    for (const auto& [filter, text] : kFilterChoices) {
        Combo(IDC_LOG_FILTER)->addItem(ResourceText(text));
    }
    QStringList headers;
    for (int column : kEventColumns) {
        headers << ResourceText(column);
    }
    List()->setHeaderLabels(headers);
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
    connect(Combo(IDC_LOG_SPAN), &QComboBox::currentIndexChanged, Chart(), [this] { Chart()->update(); });
    connect(Combo(IDC_LOG_FILTER), &QComboBox::currentIndexChanged, this, &CDeviceLogDlg::FillList);
    const auto clicked = [this](int id, void (CDeviceLogDlg::*handler)()) {
        connect(static_cast<QAbstractButton*>(m_controls.Item(id)), &QAbstractButton::clicked, this, handler);
    };
    clicked(IDC_LOG_SAVE, &CDeviceLogDlg::SaveAsCsv);
    clicked(IDC_LOG_COPY, &CDeviceLogDlg::CopySelected);
    // The list's own Copy takes one cell; whole rows are what the Copy button takes.
    List()->installEventFilter(this);
    connect(static_cast<QAbstractButton*>(m_controls.Item(IDC_LOG_CLOSE)), &QAbstractButton::clicked, this,
            &QDialog::close);
}

void CDeviceLogDlg::ShowBeside(const QWidget& parent, const QRect& keepClear) {
    const bool appearing = !isVisible();
    Refresh();
    show();
    // Placed once shown: before, its size lacked the few pixels that showing it added, and its bottom went
    // off a screen with no room beside the main window.
    if (appearing) {
        const PixelRect placed =
            PlaceBeside(InPixels(parent.frameGeometry()), InPixels(keepClear), frameGeometry().width(),
                        frameGeometry().height(), kGapPixels, InPixels(parent.screen()->availableGeometry()));
        move(placed.x, placed.y);
    }
    raise();
    activateWindow();
    m_refresh.start();
}

void CDeviceLogDlg::Refresh() {
    static_cast<QLabel*>(m_controls.Item(IDC_LOG_WARNING))->setText(QString::fromStdString(m_log.Warning()));
    if (m_log.Revision() != m_shownRevision) {
        FillList();
    }
    Chart()->update();
}

ChartSpan CDeviceLogDlg::SelectedSpan() const {
    return kSpanChoices[static_cast<std::size_t>(std::max(Combo(IDC_LOG_SPAN)->currentIndex(), 0))].first;
}

ChartPlan CDeviceLogDlg::PlanFor(const ChartFrame& frame) const {
    const ChartSpan span = SelectedSpan();
    const std::int64_t now = RealTimeMicros();
    return PlanChart(ChartInput{.readings = m_log.History().Between(now - SpanMicros(span), now),
                                .endMicros = now,
                                .span = span,
                                .frame = frame,
                                .utcOffsetSeconds = QDateTime::currentDateTime().offsetFromUtc()});
}

void CDeviceLogDlg::FillList() {
    const EventFilter filter =
        kFilterChoices[static_cast<std::size_t>(std::max(Combo(IDC_LOG_FILTER)->currentIndex(), 0))].first;
    m_rows = ShownRows(m_log.Events(), filter);
    m_shownRevision = m_log.Revision();
    QTreeWidget* list = List();
    list->clear();
    QList<QTreeWidgetItem*> items;
    for (const EventRow& row : m_rows) {
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

std::vector<EventRow> CDeviceLogDlg::SelectedRows() const {
    std::vector<EventRow> rows;
    const QTreeWidget* list = List();
    for (int index = 0; index < list->topLevelItemCount(); ++index) {
        if (list->topLevelItem(index)->isSelected() && static_cast<std::size_t>(index) < m_rows.size()) {
            rows.push_back(m_rows[static_cast<std::size_t>(index)]);
        }
    }
    return rows;
}

void CDeviceLogDlg::SaveAsCsv() {
    QFileDialog dialog(this, ResourceText(IDS_LOG_SAVE_CAPTION));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromLatin1(kCsvExtension));
    QStringList types;
    for (const auto& [content, text] : kCsvChoices) {
        types << ResourceText(text);
    }
    dialog.setNameFilters(types);
    dialog.selectFile(QString::fromStdString(DefaultCsvName(m_log.Address(), RealTimeMicros())));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const auto type =
        static_cast<std::size_t>(std::max<qsizetype>(types.indexOf(dialog.selectedNameFilter()), 0));
    const std::int64_t now = RealTimeMicros();
    const std::string csv = CsvOf(kCsvChoices[type].first, m_rows,
                                  m_log.History().Between(now - SpanMicros(SelectedSpan()), now));
    std::string error;
    if (!ReplaceWholeFile(QFile::encodeName(dialog.selectedFiles().front()).toStdString(), csv,
                          LinkAtPath::Refuse, error)) {
        m_boxes.Show(*this, FillIn(LoadStringResource(IDS_LOG_SAVE_FAILED), {error}),
                     LoadStringResource(IDS_ERROR), MessageKind::Error);
    }
}

bool CDeviceLogDlg::eventFilter(QObject* watched, QEvent* event) {
    const bool copy = (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
                      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy);
    if (watched != List() || !copy) {
        return QDialog::eventFilter(watched, event);
    }
    if (event->type() == QEvent::KeyPress) {
        CopySelected();
    }
    event->accept();
    return true;
}

void CDeviceLogDlg::CopySelected() {
    const std::vector<EventRow> rows = SelectedRows();
    if (!rows.empty()) {
        QGuiApplication::clipboard()->setText(QString::fromStdString(RowsText(rows)));
    }
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
