#pragma once

#include "AnswerRows.h"
#include "AnswersDlgView.h"

#include "devicelog/EventTime.h"
#include "health/DeviceRecord.h"
#include "link/ExchangeRecord.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Where the answers window reads: the active link's record, the window's own NTP check and this PC's
// time zone. Each is read on the window thread and never waits on the network.
struct AnswersSource {
    std::function<const CExchangeRecord&()> exchanges;
    std::function<std::optional<NtpResult>()> ntp;
    std::function<int(std::int64_t utcMicros)> utcOffset = UtcOffsetSeconds;
};

// What the device's answers window does, without a display: the active link's last exchanges newest
// first, the selected one's answer as received, the last peer table read and the two views of the
// device's time, refreshed while the window is shown and only when something changed; their copy as
// text. It asks the device nothing: it reads what the link recorded.
class CAnswersDlgLogic {
public:
    // Twice a second: an exchange shows about as soon as the status line changes.
    static constexpr int kRefreshMs = 500;

    CAnswersDlgLogic(CAnswersDlgView& view, AnswersSource source);
    CAnswersDlgLogic(const CAnswersDlgLogic&) = delete;
    CAnswersDlgLogic& operator=(const CAnswersDlgLogic&) = delete;

    // Titles the lists' columns.
    void OnInitDialog();
    // The window is shown or brought to the front: what the link holds now, and again every kRefreshMs.
    void OnShow();
    void OnTimer();
    // Another exchange was selected: its answer shows.
    void OnSelectionChanged();
    // The Copy button: everything the window shows, as AnswersCopyText gives it.
    void OnCopy();
    // The Close button, Esc and the title bar's close: hides the window and stops its refresh.
    void OnClose();

private:
    void Refresh();
    void ShowExchanges();
    void ShowSelectedAnswer();

    CAnswersDlgView& m_view;
    AnswersSource m_source;
    // What is shown, and what it was made of.
    const CExchangeRecord* m_shownRecord = nullptr;
    std::uint64_t m_shownRevision = 0;
    std::vector<DeviceExchange> m_exchanges; // newest first, as the list shows them
    std::vector<ExchangeRow> m_rows;
    std::optional<PeerTable> m_peers;
    std::string m_windowNtp;
    std::string m_deviceNtp;
};
