#include "AnswersDlgLogic.h"

#include "resources/StringTable.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

template <typename Columns>
std::vector<std::string> ColumnTitles(const Columns& columns) {
    std::vector<std::string> titles;
    std::ranges::transform(columns, std::back_inserter(titles), LoadStringResource);
    return titles;
}

// The peers of the newest exchange that read a table.
std::optional<PeerTable> NewestPeerTable(const std::vector<DeviceExchange>& newestFirst) {
    const auto found = std::ranges::find_if(
        newestFirst, [](const DeviceExchange& exchange) { return exchange.peers.has_value(); });
    return found == newestFirst.end() ? std::nullopt : found->peers;
}

} // namespace

CAnswersDlgLogic::CAnswersDlgLogic(CAnswersDlgView& view, AnswersSource source)
    : m_view(view), m_source(std::move(source)) {}

void CAnswersDlgLogic::OnInitDialog() {
    m_view.SetColumns(IDC_ANSWERS_EXCHANGES, ColumnTitles(kExchangeColumns));
    m_view.SetColumns(IDC_ANSWERS_PEERS, ColumnTitles(kPeerColumns));
}

void CAnswersDlgLogic::OnShow() {
    // What was shown before the window was hidden may be any age.
    m_shownRecord = nullptr;
    Refresh();
    m_view.StartTimer(kRefreshMs);
}

void CAnswersDlgLogic::OnTimer() {
    Refresh();
}

void CAnswersDlgLogic::Refresh() {
    const CExchangeRecord& record = m_source.exchanges();
    if (&record != m_shownRecord || record.Revision() != m_shownRevision) {
        m_shownRecord = &record;
        m_shownRevision = record.Revision();
        ShowExchanges();
    }
    const std::string windowNtp = WindowNtpText(m_source.ntp());
    if (windowNtp != m_windowNtp) {
        m_windowNtp = windowNtp;
        m_view.SetItemText(IDC_ANSWERS_NTP_WINDOW, m_windowNtp);
    }
}

void CAnswersDlgLogic::ShowExchanges() {
    // The selection follows its exchange, which moves down as newer ones come.
    const std::optional<std::size_t> selected = m_view.SelectedRow(IDC_ANSWERS_EXCHANGES);
    const std::optional<std::int64_t> selectedAt =
        selected && *selected < m_exchanges.size() ? std::optional(m_exchanges[*selected].answeredPcMicros)
                                                   : std::nullopt;
    m_exchanges = m_shownRecord->Copy();
    std::ranges::reverse(m_exchanges);
    m_rows.clear();
    std::vector<ListRow> cells;
    for (const DeviceExchange& exchange : m_exchanges) {
        m_rows.push_back(MakeExchangeRow(exchange, m_source.utcOffset(exchange.answeredPcMicros)));
        cells.push_back(ExchangeCells(m_rows.back()));
    }
    m_view.ShowRows(IDC_ANSWERS_EXCHANGES, cells);
    if (selectedAt) {
        const auto found = std::ranges::find(m_exchanges, *selectedAt, &DeviceExchange::answeredPcMicros);
        if (found != m_exchanges.end()) {
            m_view.SelectRow(IDC_ANSWERS_EXCHANGES, static_cast<std::size_t>(found - m_exchanges.begin()));
        }
    }
    ShowSelectedAnswer();
    m_peers = NewestPeerTable(m_exchanges);
    m_view.ShowRows(IDC_ANSWERS_PEERS, m_peers ? PeerRows(*m_peers) : std::vector<ListRow>{});
    m_deviceNtp = DeviceNtpText(m_peers);
    m_view.SetItemText(IDC_ANSWERS_NTP_DEVICE, m_deviceNtp);
}

void CAnswersDlgLogic::OnSelectionChanged() {
    ShowSelectedAnswer();
}

void CAnswersDlgLogic::ShowSelectedAnswer() {
    // With none selected, the newest answer shows.
    const std::size_t index = m_view.SelectedRow(IDC_ANSWERS_EXCHANGES).value_or(0);
    m_view.SetItemText(IDC_ANSWERS_ANSWER, index < m_exchanges.size() ? AnswerLines(m_exchanges[index]) : "");
}

void CAnswersDlgLogic::OnCopy() {
    m_view.CopyText(AnswersCopyText(m_windowNtp, m_deviceNtp, m_exchanges, m_rows, m_peers));
}

void CAnswersDlgLogic::OnClose() {
    m_view.StopTimer();
    m_view.HideWindow();
}
