// The device dialogue: collects received characters, recognises the prompts, answers the login,
// reads each answer into the status snapshot and chooses the next command.
#include "DeviceLink.h"

#include "DeviceTime.h"

#include "CommandText.h"
#include "DialogueTrace.h"
#include "runtime/DebugOutput.h"
#include "runtime/PcClock.h"
#include "runtime/Tick.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// On overflow the accumulator keeps this much of its newest text: a prompt that ends at the next
// character is then still whole, and so is most of a long answer.
constexpr int kKeptOnOverflow = static_cast<int>(kLinkBufferSize / 2);

} // namespace

void CDeviceLink::OnDeviceChar(char c) {
    if (c == '\0') {
        return;
    }
    StoreReceived(c);
    if (m_dialect->isTelnet && AnswerLogin()) {
        return;
    }
    if (ReceivedEndsWith(kShellPrompt)) {
        OnShellPrompt();
    } else if (m_asked == AskedAnswer::PeerTable) {
        TakePeerTableLine(c);
    }
}

void CDeviceLink::TakePeerTableLine(char c) {
    // A table may be longer than the accumulator: each line is read as it ends, so its header is never
    // pushed out before it is seen.
    if (c == '\r' || c == '\n') {
        TraceDialogue('<', ReceivedText());
        m_peerTable.OnLine(ReceivedText().substr(0, static_cast<std::size_t>(m_recvLength) - 1));
        ClearReceived();
    }
}

void CDeviceLink::StoreReceived(char c) {
    if (m_recvLength == static_cast<int>(kLinkBufferSize) - 1) {
        KeepNewestReceived();
    }
    m_recvBuffer[m_recvLength] = c;
    ++m_recvLength;
    m_recvBuffer[m_recvLength] = '\0';
}

void CDeviceLink::KeepNewestReceived() {
    std::memmove(m_recvBuffer, m_recvBuffer + m_recvLength - kKeptOnOverflow, kKeptOnOverflow);
    m_recvLength = kKeptOnOverflow;
    m_recvBuffer[m_recvLength] = '\0';
}

void CDeviceLink::ClearReceived() {
    m_recvLength = 0;
    m_recvBuffer[0] = '\0';
}

bool CDeviceLink::ReceivedEndsWith(std::string_view prompt) const {
    // Any earlier occurrence of a prompt was recognised when it ended and cleared the accumulator, so
    // looking at the end is the whole search.
    return EndsWithPrompt(ReceivedText(), prompt);
}

bool CDeviceLink::AnswerLogin() {
    if (ReceivedEndsWith(kLoginPrompt)) {
        SetState(StateReady);
        TraceDialogue('<', ReceivedText());
        ClearReceived();
        PlaceCommand(kLoginCommand, AskedAnswer::None);
        return true;
    }
    if (ReceivedEndsWith(kPasswordPrompt)) {
        TraceDialogue('<', ReceivedText());
        ClearReceived();
        PlaceCommand(kPasswordCommand, AskedAnswer::None);
        return true;
    }
    return false;
}

void CDeviceLink::OnShellPrompt() {
    if (!m_dialect->isTelnet) {
        SetState(StateReady);
    }
    TraceDialogue('<', ReceivedText());
    ParseAnswer();
    if (m_bFirstPrompt) {
        PlaceCommand(m_dialect->versionCommand, AskedAnswer::Version);
    } else {
        if (m_bPollGetdate) {
            PlaceCommand(kGetdateCommand, AskedAnswer::Getdate);
        } else {
            PlaceCommand(m_dialect->peerTableCommand, AskedAnswer::PeerTable);
        }
        m_bPollGetdate = !m_bPollGetdate;
    }
    ClearReceived();
    m_bFirstPrompt = false;
}

void CDeviceLink::ParseAnswer() {
    if (m_asked == AskedAnswer::PeerTable) {
        // The prompt's line is the table's last, as when the table is read whole.
        m_peerTable.OnLine(ReceivedText());
    }
    CLockHold hold(m_lock);
    switch (m_asked) {
    case AskedAnswer::Version:
        if (const std::optional<std::string_view> version =
                ParseVersionAnswer(m_recvBuffer, m_dialect->versionMarker)) {
            std::snprintf(m_version, sizeof m_version, "%.*s", static_cast<int>(version->size()),
                          version->data());
        } else {
            KeepUnreadableAnswer(m_dialect->versionMarker);
        }
        break;
    case AskedAnswer::Getdate: {
        const std::optional<DeviceClockReading> reading = ParseGetdateAnswer(m_recvBuffer);
        StoreDeviceClock(reading);
        if (!reading) {
            KeepUnreadableAnswer(kGetdateMarker);
        }
        break;
    }
    case AskedAnswer::PeerTable:
        m_timeSyncState = m_peerTable.Result();
        m_peerTableReading = m_peerTable.Table();
        m_bReadWhole = true;
        break;
    case AskedAnswer::None:
        break;
    }
}

void CDeviceLink::StoreDeviceClock(const std::optional<DeviceClockReading>& reading) {
    if (!reading) {
        // An unreadable answer leaves no time at all: a partial one would be shown with a stale stamp.
        m_deviceSeconds = 0;
        m_deviceMicros = 0;
        m_gpsState = 0;
        m_lastReading.reset();
        return;
    }
    m_lastReading = TimedClockReading{reading->seconds, reading->micros, m_lastSendPcMicros, PcClockMicros()};
    const HeldDeviceTime time =
        AdvanceDeviceTime(reading->seconds, reading->micros, m_dialect->microsAdvance);
    m_deviceSeconds = time.seconds;
    m_deviceMicros = time.micros;
    m_tickStamp = TickCount();
    m_macUnassigned = reading->status == 'M' ? 1 : 0;
    if (reading->status == 'M') {
        m_gpsState = -1;
        // Undoes the alternation that follows, so that getdate is asked again instead of the peer table.
        m_bPollGetdate = !m_bPollGetdate;
    } else {
        m_gpsState = reading->status == 'A' ? 1 : 0;
    }
}

void CDeviceLink::TraceDialogue(char direction, std::string_view text) const {
    const char* dialect = m_dialect->isTelnet ? " telnet" : " shell";
    const std::string trace = DialogueTrace(m_host + dialect, direction, text);
    if (!trace.empty()) {
        DebugOutput(trace.c_str());
    }
}

void CDeviceLink::KeepUnreadableAnswer(const char* marker) {
    if (!m_unreadableAnswer) {
        const std::string_view text = AnswerText(ReceivedText(), marker);
        m_unreadableAnswer = UnreadableAnswer{marker, std::string(text.substr(0, kUnreadableTextLength))};
    }
}

void CDeviceLink::PlaceCommand(const char* command, AskedAnswer asked) {
    m_asked = asked;
    m_sendPacingMs = m_bReadWhole ? std::max(m_timing.pacingMs, m_timing.pollPacingMs) : m_timing.pacingMs;
    m_peerTable = CPeerTableReader(m_dialect->peerTableMarker);
    m_sendLength =
        CommandLength(std::snprintf(m_sendBuffer, sizeof m_sendBuffer, "%s", command), sizeof m_sendBuffer);
}
