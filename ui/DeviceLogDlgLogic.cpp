#include "DeviceLogDlgLogic.h"

#include "DeviceLogSave.h"
#include "resources/StringLookup.h"
#include "resources/StringTable.h"
#include "resources/resource.h"

#include "runtime/FileReplace.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <tuple>
#include <utility>

namespace {

// The choice of table a drop-down list selects: its first while none is, its last past the end.
template <typename Table>
auto ChoiceOf(const Table& table, std::optional<std::size_t> selected) {
    return table[std::min(selected.value_or(0), table.size() - 1)].first;
}

template <typename Table>
void AddChoices(CDeviceLogDlgView& view, int comboId, const Table& table) {
    for (const auto& [choice, text] : table) {
        view.AddChoice(comboId, LoadStringResource(text));
    }
}

SaveQuestion CsvQuestion(const std::string& address, std::int64_t now) {
    SaveQuestion question{
        LoadStringResource(IDS_LOG_SAVE_CAPTION), DefaultCsvName(address, now), {}, kCsvExtension};
    for (const auto& [content, text] : kCsvChoices) {
        question.types.push_back(LoadStringResource(text));
    }
    return question;
}

} // namespace

ChartPlan PlanDeviceLogChart(const ChartInput& input, int width, int height, const ChartFont& font) {
    static_assert(std::tuple_size_v<ChartStripLabels> == kChartStripLabels.size());
    ChartStripLabels labels;
    std::transform(kChartStripLabels.begin(), kChartStripLabels.end(), labels.begin(), LoadStringResource);
    return PlanLabelledChart(input, width, height, font, labels);
}

CDeviceLogDlgLogic::CDeviceLogDlgLogic(CDeviceLogDlgView& view, const CDeviceLog& log,
                                       DeviceLogDlgClock clock)
    : m_view(view), m_log(log), m_clock(std::move(clock)) {}

void CDeviceLogDlgLogic::OnInitDialog() {
    AddChoices(m_view, IDC_LOG_SPAN, kSpanChoices);
    m_view.SelectChoice(IDC_LOG_SPAN, kFirstSpanChoice);
    AddChoices(m_view, IDC_LOG_FILTER, kFilterChoices);
    m_view.SelectChoice(IDC_LOG_FILTER, 0);
    std::vector<std::string> titles;
    std::transform(kEventColumns.begin(), kEventColumns.end(), std::back_inserter(titles),
                   LoadStringResource);
    m_view.SetColumns(titles);
}

void CDeviceLogDlgLogic::OnShow() {
    Refresh();
    m_view.StartTimer(kRefreshMs);
}

void CDeviceLogDlgLogic::OnTimer() {
    Refresh();
}

void CDeviceLogDlgLogic::OnSpanChanged() {
    m_view.RepaintChart();
}

void CDeviceLogDlgLogic::OnFilterChanged() {
    FillList();
}

void CDeviceLogDlgLogic::Refresh() {
    m_view.SetItemText(IDC_LOG_WARNING, m_log.Warning());
    // The list is filled again only when the log changed, so that a selection outlives the refresh.
    if (m_log.Revision() != m_shownRevision) {
        FillList();
    }
    m_view.RepaintChart();
}

void CDeviceLogDlgLogic::FillList() {
    m_rows = ShownRows(m_log.Events(), SelectedFilter());
    m_shownRevision = m_log.Revision();
    m_view.ShowRows(m_rows);
}

void CDeviceLogDlgLogic::OnCopy() {
    std::vector<EventRow> rows;
    for (const std::size_t index : m_view.SelectedRows()) {
        if (index < m_rows.size()) {
            rows.push_back(m_rows[index]);
        }
    }
    if (!rows.empty()) {
        m_view.CopyText(RowsText(rows));
    }
}

void CDeviceLogDlgLogic::OnSave() {
    const std::optional<SaveChoice> choice =
        m_view.AskWhereToSave(CsvQuestion(m_log.Address(), m_clock.utcNow()));
    if (!choice) {
        return;
    }
    // The box ran the window's events: the rows and the span are those shown now.
    const CsvContent content = ChoiceOf(kCsvChoices, choice->type);
    const std::string csv = CsvOf(content, m_rows, SpanReadings(m_clock.utcNow()));
    std::string error;
    if (!ReplaceWholeFile(choice->path, csv, LinkAtPath::Refuse, error)) {
        m_view.ShowMessage(FillIn(LoadStringResource(IDS_LOG_SAVE_FAILED), {error}),
                           LoadStringResource(IDS_ERROR), MessageKind::Error);
    }
}

void CDeviceLogDlgLogic::OnClose() {
    m_view.StopTimer();
    m_view.HideWindow();
}

ChartPlan CDeviceLogDlgLogic::ChartPlanFor(int width, int height, const ChartFont& font) const {
    const std::int64_t now = m_clock.utcNow();
    return PlanDeviceLogChart(ChartInput{.readings = SpanReadings(now),
                                         .endMicros = now,
                                         .span = SelectedSpan(),
                                         .utcOffsetSeconds = m_clock.utcOffset(now)},
                              width, height, font);
}

ChartSpan CDeviceLogDlgLogic::SelectedSpan() const {
    return ChoiceOf(kSpanChoices, m_view.SelectedChoice(IDC_LOG_SPAN));
}

EventFilter CDeviceLogDlgLogic::SelectedFilter() const {
    return ChoiceOf(kFilterChoices, m_view.SelectedChoice(IDC_LOG_FILTER));
}

std::span<const LogReading> CDeviceLogDlgLogic::SpanReadings(std::int64_t now) const {
    return m_log.History().Between(now - SpanMicros(SelectedSpan()), now);
}
