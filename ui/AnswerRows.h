#pragma once

#include "AnswersDlgView.h"

#include "health/DeviceRecord.h"
#include "link/DeviceExchange.h"
#include "resources/resource.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

// The exchange list's columns, in the order of ExchangeRow's cells.
inline constexpr std::array kExchangeColumns = {IDS_ANSWERS_COLUMN_TIME, IDS_ANSWERS_COLUMN_TOOK,
                                                IDS_ANSWERS_COLUMN_COMMAND, IDS_ANSWERS_COLUMN_READ,
                                                IDS_ANSWERS_COLUMN_ANSWER};
// The peer table's columns: the tally code and what it means, then the daemon's own columns.
inline constexpr std::array kPeerColumns = {
    IDS_ANSWERS_PEER_TALLY,   IDS_ANSWERS_PEER_MEANING, IDS_ANSWERS_PEER_REMOTE, IDS_ANSWERS_PEER_REFID,
    IDS_ANSWERS_PEER_STRATUM, IDS_ANSWERS_PEER_TYPE,    IDS_ANSWERS_PEER_WHEN,   IDS_ANSWERS_PEER_POLL,
    IDS_ANSWERS_PEER_REACH,   IDS_ANSWERS_PEER_DELAY,   IDS_ANSWERS_PEER_OFFSET, IDS_ANSWERS_PEER_JITTER};
// What each tally code of the daemon's peer table means.
inline constexpr std::array kTallyMeanings = {
    std::pair{'*', IDS_ANSWERS_TALLY_SYSTEM_PEER}, std::pair{'o', IDS_ANSWERS_TALLY_PPS_PEER},
    std::pair{'+', IDS_ANSWERS_TALLY_CANDIDATE},   std::pair{'#', IDS_ANSWERS_TALLY_BACKUP},
    std::pair{'-', IDS_ANSWERS_TALLY_OUTLIER},     std::pair{'x', IDS_ANSWERS_TALLY_FALSETICKER},
    std::pair{'.', IDS_ANSWERS_TALLY_EXCESS},      std::pair{' ', IDS_ANSWERS_TALLY_REJECTED}};
// The names a screen reader gives the window's lists and the answer; the buttons are named by their
// captions.
inline constexpr std::array kAnswersAccessibleNames = {
    std::pair{IDC_ANSWERS_EXCHANGES, IDS_ANSWERS_NAME_EXCHANGES},
    std::pair{IDC_ANSWERS_ANSWER, IDS_ANSWERS_NAME_ANSWER},
    std::pair{IDC_ANSWERS_PEERS, IDS_ANSWERS_NAME_PEERS}};

// One exchange as the list shows it, device text escaped.
struct ExchangeRow {
    std::string time;    // when the answer ended, this PC's time of day to the millisecond
    std::string took;    // from the command's send to the answer's prompt; empty when nothing was sent
    std::string command; // without its line end
    std::string read;    // what was read from the answer, or that it was unreadable
    std::string answer;  // on one line, its line breaks escaped as every control byte is
};

// The row of exchange; utcOffset is this PC's time zone then, in seconds east of UTC.
ExchangeRow MakeExchangeRow(const DeviceExchange& exchange, int utcOffset);
// The cells of row in the order of kExchangeColumns.
ListRow ExchangeCells(const ExchangeRow& row);
// The answer of exchange as received, one line of it a line, each escaped with its line end.
std::string AnswerLines(const DeviceExchange& exchange);
// The peers of table as the peer list shows them, in the table's order.
std::vector<ListRow> PeerRows(const PeerTable& table);

// This PC's own NTP check of the device in a line: offset, delay, stratum and reference, or why there is
// none.
std::string WindowNtpText(const std::optional<NtpResult>& ntp);
// What the device's daemon claims of its time in a line: its system peer with offset, delay and jitter,
// or that it has none or was not read yet.
std::string DeviceNtpText(const std::optional<PeerTable>& table);

// Everything the window shows, as text for the clipboard: the two NTP lines, the exchanges newest first
// (each a line of tab-separated cells, its answer's lines indented below it) and the peer table.
std::string AnswersCopyText(const std::string& windowNtp, const std::string& deviceNtp,
                            std::span<const DeviceExchange> newestFirst, std::span<const ExchangeRow> rows,
                            const std::optional<PeerTable>& peers);
