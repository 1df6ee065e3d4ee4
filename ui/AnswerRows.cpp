#include "AnswerRows.h"

#include "devicelog/EventTime.h"
#include "devicetext/DeviceText.h"
#include "resources/StringLookup.h"
#include "resources/StringTable.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::int64_t kMicrosPerSecond = 1'000'000;

// "13:41:19.123": the time of day at utcMicros in a zone utcOffset seconds east of UTC.
std::string TimeOfDay(std::int64_t utcMicros, int utcOffset) {
    const std::string iso = IsoUtcTime(utcMicros + std::int64_t{utcOffset} * kMicrosPerSecond);
    constexpr std::size_t kTimeStart = 11; // after "2026-12-08T"
    constexpr std::size_t kTimeLength = 12;
    return iso.size() < kTimeStart + kTimeLength ? iso : iso.substr(kTimeStart, kTimeLength);
}

// Milliseconds to the microsecond, with a sign when signed is asked: "+0.002 ms".
std::string Milliseconds(double ms, bool withSign) {
    char text[48];
    std::snprintf(text, sizeof text, withSign ? "%+.3f ms" : "%.3f ms", ms);
    return text;
}

std::string Decimal(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", ms);
    return text;
}

std::string CommandText(const DeviceExchange& exchange) {
    if (exchange.commandHidden) {
        return LoadStringResource(IDS_ANSWERS_PASSWORD);
    }
    if (exchange.command.empty()) {
        return LoadStringResource(IDS_ANSWERS_CONNECTION);
    }
    std::string_view command = exchange.command;
    while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) {
        command.remove_suffix(1);
    }
    return DeviceText(command);
}

std::string GpsText(char status) {
    switch (status) {
    case 'A':
        return LoadStringResource(IDS_ANSWERS_GPS_LOCKED);
    case 'M':
        return LoadStringResource(IDS_MAC_NOT_ASSIGNED);
    default:
        return FillIn(LoadStringResource(IDS_ANSWERS_GPS_NOT_LOCKED), {DeviceText(std::string(1, status))});
    }
}

std::string PeersText(const PeerTable& table) {
    if (table.peers.empty()) {
        return LoadStringResource(IDS_ANSWERS_NO_PEERS);
    }
    std::string peers;
    for (const NtpPeer& peer : table.peers) {
        peers.append(peers.empty() ? "" : ", ").append(DeviceText(std::string(1, peer.tally) + peer.remote));
    }
    return FillIn(LoadStringResource(IDS_ANSWERS_READ_PEERS),
                  {std::to_string(table.peers.size() + table.unkeptPeers), peers});
}

std::string ReadText(const DeviceExchange& exchange) {
    if (exchange.IsUnreadable()) {
        return LoadStringResource(IDS_ANSWERS_UNREADABLE);
    }
    switch (exchange.reader) {
    case ExchangeReader::Version:
        return FillIn(LoadStringResource(IDS_FIRMWARE_VERSION), {DeviceText(exchange.version)});
    case ExchangeReader::Getdate:
        return FillIn(LoadStringResource(IDS_ANSWERS_READ_TIME),
                      {IsoUtcTime(exchange.clock->seconds * kMicrosPerSecond + exchange.clock->micros),
                       GpsText(exchange.clock->status)});
    case ExchangeReader::PeerTable:
        return PeersText(*exchange.peers);
    case ExchangeReader::None:
        break;
    }
    return {};
}

std::string TallyMeaning(char tally) {
    const auto* meaning = std::ranges::find(kTallyMeanings, tally, &std::pair<char, int>::first);
    return meaning == kTallyMeanings.end() ? std::string() : LoadStringResource(meaning->second);
}

void AppendCells(std::string& text, const ListRow& cells) {
    for (std::size_t index = 0; index < cells.size(); ++index) {
        text.append(index == 0 ? "" : "\t").append(cells[index]);
    }
    text.push_back('\n');
}

ListRow Titles(std::span<const int> ids) {
    ListRow titles;
    std::ranges::transform(ids, std::back_inserter(titles), LoadStringResource);
    return titles;
}

} // namespace

ExchangeRow MakeExchangeRow(const DeviceExchange& exchange, int utcOffset) {
    ExchangeRow row;
    row.time = TimeOfDay(exchange.answeredPcMicros, utcOffset);
    if (exchange.sentPcMicros != 0) {
        row.took = FillIn(LoadStringResource(IDS_ANSWERS_TOOK),
                          {std::to_string((exchange.answeredPcMicros - exchange.sentPcMicros) / 1000)});
    }
    row.command = CommandText(exchange);
    row.read = ReadText(exchange);
    row.answer = DeviceText(exchange.answer) + (exchange.answerCut ? "\u2026" : "");
    return row;
}

ListRow ExchangeCells(const ExchangeRow& row) {
    return {row.time, row.took, row.command, row.read, row.answer};
}

std::string AnswerLines(const DeviceExchange& exchange) {
    std::string lines;
    std::string_view rest = exchange.answer;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size() - 1) + 1;
        lines.append(lines.empty() ? "" : "\n").append(DeviceText(rest.substr(0, end)));
        rest.remove_prefix(end);
    }
    if (exchange.answerCut) {
        lines.append("\n").append(
            FillIn(LoadStringResource(IDS_ANSWERS_ANSWER_CUT), {std::to_string(kExchangeAnswerLength)}));
    }
    return lines;
}

std::vector<ListRow> PeerRows(const PeerTable& table) {
    std::vector<ListRow> rows;
    for (const NtpPeer& peer : table.peers) {
        char reach[8];
        std::snprintf(reach, sizeof reach, "%o", peer.reach);
        rows.push_back(
            {DeviceText(std::string(1, peer.tally)), TallyMeaning(peer.tally), DeviceText(peer.remote),
             DeviceText(peer.refid), std::to_string(peer.stratum), DeviceText(std::string(1, peer.type)),
             peer.whenSeconds ? std::to_string(*peer.whenSeconds) : "-", std::to_string(peer.pollSeconds),
             reach, Decimal(peer.delayMs), Decimal(peer.offsetMs), Decimal(peer.jitterMs)});
    }
    return rows;
}

std::string WindowNtpText(const std::optional<NtpResult>& ntp) {
    if (!ntp) {
        return LoadStringResource(IDS_ANSWERS_NTP_WINDOW_NONE);
    }
    if (!ntp->answered) {
        return FillIn(LoadStringResource(IDS_ANSWERS_NTP_WINDOW_FAILED), {ntp->failure});
    }
    return FillIn(LoadStringResource(IDS_ANSWERS_NTP_WINDOW),
                  {Milliseconds(ntp->offsetSeconds * 1000, true),
                   Milliseconds(ntp->delaySeconds * 1000, false), std::to_string(ntp->stratum),
                   DeviceText(ntp->referenceId)});
}

std::string DeviceNtpText(const std::optional<PeerTable>& table) {
    if (!table) {
        return LoadStringResource(IDS_ANSWERS_NTP_DEVICE_NONE);
    }
    const NtpPeer* peer = SystemPeer(*table);
    if (peer == nullptr) {
        return LoadStringResource(IDS_ANSWERS_NTP_DEVICE_NO_PEER);
    }
    return FillIn(LoadStringResource(IDS_ANSWERS_NTP_DEVICE),
                  {DeviceText(peer->remote), DeviceText(peer->refid), std::to_string(peer->stratum),
                   Milliseconds(peer->offsetMs, true), Milliseconds(peer->delayMs, false),
                   Milliseconds(peer->jitterMs, false)});
}

std::string AnswersCopyText(const std::string& windowNtp, const std::string& deviceNtp,
                            std::span<const DeviceExchange> newestFirst, std::span<const ExchangeRow> rows,
                            const std::optional<PeerTable>& peers) {
    std::string text = windowNtp + "\n" + deviceNtp + "\n\n";
    ListRow titles = Titles(kExchangeColumns);
    // The answer goes below its row, whole, instead of in a last column.
    titles.pop_back();
    AppendCells(text, titles);
    for (std::size_t index = 0; index < rows.size() && index < newestFirst.size(); ++index) {
        ListRow cells = ExchangeCells(rows[index]);
        cells.pop_back();
        AppendCells(text, cells);
        const std::string lines = AnswerLines(newestFirst[index]);
        for (std::size_t start = 0; start < lines.size();) {
            const std::size_t end = std::min(lines.find('\n', start), lines.size());
            text.append("    ").append(lines, start, end - start).push_back('\n');
            start = end + 1;
        }
    }
    if (peers) {
        text.push_back('\n');
        AppendCells(text, Titles(kPeerColumns));
        for (const ListRow& row : PeerRows(*peers)) {
            AppendCells(text, row);
        }
    }
    return text;
}
