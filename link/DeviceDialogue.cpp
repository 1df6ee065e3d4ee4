// The device dialogue: collects received characters, recognises the prompts, answers the login, reads
// each answer into the status snapshot, chooses and paces the next command, and keeps the time limits.
#include "DeviceDialogue.h"

#include "AddressCommand.h"

#include "devicetext/DeviceText.h"

#include <algorithm>
#include <utility>

namespace {

// The text cut to what an address text may hold.
std::string AddressText(const char* text) {
    return std::string(text == nullptr ? "" : text).substr(0, kLinkTextSize - 1);
}

} // namespace

CDeviceDialogue::CDeviceDialogue(unsigned short port, const LinkTiming& timing) {
    Configure(port, timing);
}

void CDeviceDialogue::Configure(unsigned short port, const LinkTiming& timing) {
    m_port = port;
    m_dialect = &DialectForPort(port);
    m_timing = timing;
}

void CDeviceDialogue::Start(const LinkInstant& now) {
    m_phase = DialoguePhase::Connecting;
    m_state = StateStarting;
    m_connectDeadline = now.monotonic + std::chrono::milliseconds(m_timing.connectTimeoutMs);
    m_lastActivity = now.monotonic;
    m_telnetFilter = CTelnetFilter();
    m_received.Clear();
    m_peerTable = CPeerTableReader();
    m_asked = AskedAnswer::None;
    m_bPollGetdate = true;
    m_bFirstPrompt = true;
    m_bReadWhole = false;
    m_command.clear();
    m_sent = 0;
    m_bSendStarted = false;
    // A request left from an earlier run was meant for that connection.
    m_addressCommand.reset();
    m_snapshot.ForgetRun();
    ++m_snapshotRevision;
    m_exchange = DeviceExchange{};
}

void CDeviceDialogue::OnConnected(const LinkInstant& now) {
    if (m_phase == DialoguePhase::Connecting) {
        m_phase = DialoguePhase::Talking;
        m_lastActivity = now.monotonic;
    }
}

void CDeviceDialogue::OnReceived(std::string_view bytes, const LinkInstant& now) {
    if (m_phase != DialoguePhase::Talking) {
        return;
    }
    m_lastActivity = now.monotonic;
    for (const char byte : bytes) {
        // Only telnet has commands in its stream: on the shell port 0xFF is a byte like any other.
        const std::optional<char> c =
            m_dialect->isTelnet ? m_telnetFilter.Take(static_cast<unsigned char>(byte)) : std::optional(byte);
        // Telnet sends a bare carriage return as CR NUL, and no prompt or answer holds a NUL.
        if (c && *c != '\0') {
            OnDeviceChar(*c, now);
        }
    }
}

void CDeviceDialogue::OnSent(std::size_t count, const LinkInstant& sentAt) {
    if (m_phase != DialoguePhase::Talking || m_command.empty()) {
        return;
    }
    if (!m_bSendStarted) {
        m_bSendStarted = true;
        m_lastSendPcMicros = sentAt.pcMicros;
        m_lastActivity = sentAt.monotonic;
    }
    if (count == 0) {
        return;
    }
    m_lastActivity = sentAt.monotonic;
    m_sent = std::min(m_command.size(), m_sent + count);
    if (m_sent < m_command.size()) {
        return;
    }
    Trace('>', m_command);
    BeginExchange(m_command);
    m_command.clear();
    m_sent = 0;
    m_bSendStarted = false;
    if (m_addressCommand) {
        std::string command = std::move(*m_addressCommand);
        m_addressCommand.reset();
        // Its answer is read by nobody: the device restarts, and no poll reader can make sense of it.
        PlaceCommand(std::move(command), AskedAnswer::None, m_timing.pacingMs, sentAt);
    }
}

void CDeviceDialogue::OnTimer(const LinkInstant& now) {
    const std::optional<LinkClock::time_point> deadline = NextDeadline();
    if (!deadline || now.monotonic < *deadline) {
        return;
    }
    if (m_phase == DialoguePhase::Connecting) {
        End(StateConnectFailed);
    } else if (m_command.empty()) {
        End(StateSilent);
    } else if (m_bSendStarted) {
        // A device that stops taking a command may have half of an address written: the run ends.
        End(StateLinkClosed);
    }
}

void CDeviceDialogue::End(LinkState failure) {
    if (m_phase == DialoguePhase::Ended) {
        return;
    }
    m_phase = DialoguePhase::Ended;
    m_state = failure;
    // Nothing more goes to a device whose run is over.
    m_command.clear();
    m_sent = 0;
    m_bSendStarted = false;
    m_addressCommand.reset();
}

bool CDeviceDialogue::RequestAddressChange(const char* ip, const char* mask, const char* gateway,
                                           const LinkInstant& now) {
    char command[kLinkBufferSize];
    const int length = FormatAddressCommand(m_port, AddressText(ip).c_str(), AddressText(mask).c_str(),
                                            AddressText(gateway).c_str(), command, sizeof command);
    if (length == 0) {
        return false;
    }
    if (m_phase != DialoguePhase::Talking) {
        return true;
    }
    std::string placed(command, static_cast<std::size_t>(length));
    if (m_command.empty()) {
        PlaceCommand(std::move(placed), AskedAnswer::None, m_timing.pacingMs, now);
    } else {
        m_addressCommand = std::move(placed);
    }
    return true;
}

std::optional<LinkClock::time_point> CDeviceDialogue::NextDeadline() const {
    switch (m_phase) {
    case DialoguePhase::Ended:
        return std::nullopt;
    case DialoguePhase::Connecting:
        return m_connectDeadline;
    case DialoguePhase::Talking:
        break;
    }
    // The pacing wait has no limit of its own: a command waiting for its time is never silence.
    if (!m_command.empty() && !m_bSendStarted) {
        return m_sendTime;
    }
    return m_lastActivity + SilenceLimit();
}

std::chrono::milliseconds CDeviceDialogue::SilenceLimit() const {
    return std::chrono::milliseconds(m_bFirstPrompt ? m_timing.firstPromptLimitMs : m_timing.promptLimitMs);
}

void CDeviceDialogue::OnDeviceChar(char c, const LinkInstant& now) {
    m_received.Append(c);
    if (m_exchangeSink) {
        if (m_exchange.answer.size() < kExchangeAnswerLength) {
            m_exchange.answer.push_back(c);
        } else {
            m_exchange.answerCut = true;
        }
    }
    if (m_dialect->isTelnet && AnswerLogin(now)) {
        return;
    }
    if (m_received.EndsWith(kShellPrompt)) {
        OnShellPrompt(now);
    } else if (m_asked == AskedAnswer::PeerTable) {
        TakePeerTableLine(c);
    }
}

void CDeviceDialogue::TakePeerTableLine(char c) {
    // A table may be longer than the accumulator: each line is read as it ends, so its header is never
    // pushed out before it is seen.
    if (c == '\r' || c == '\n') {
        Trace('<', m_received.View());
        m_peerTable.OnLine(m_received.WithoutLast());
        m_received.Clear();
    }
}

bool CDeviceDialogue::AnswerLogin(const LinkInstant& now) {
    const bool login = m_received.EndsWith(kLoginPrompt);
    if (!login && !m_received.EndsWith(kPasswordPrompt)) {
        return false;
    }
    if (login) {
        m_state = StateReady;
    }
    Trace('<', m_received.View());
    EndExchange(now);
    m_received.Clear();
    PlaceCommand(login ? kLoginCommand : kPasswordCommand, AskedAnswer::None, PollPacingMs(), now);
    return true;
}

void CDeviceDialogue::OnShellPrompt(const LinkInstant& now) {
    if (!m_dialect->isTelnet) {
        m_state = StateReady;
    }
    Trace('<', m_received.View());
    ParseAnswer(now);
    EndExchange(now);
    if (m_bFirstPrompt) {
        PlaceCommand(m_dialect->versionCommand, AskedAnswer::Version, PollPacingMs(), now);
    } else {
        if (m_bPollGetdate) {
            PlaceCommand(kGetdateCommand, AskedAnswer::Getdate, PollPacingMs(), now);
        } else {
            PlaceCommand(m_dialect->peerTableCommand, AskedAnswer::PeerTable, PollPacingMs(), now);
        }
        m_bPollGetdate = !m_bPollGetdate;
    }
    m_received.Clear();
    m_bFirstPrompt = false;
}

void CDeviceDialogue::ParseAnswer(const LinkInstant& now) {
    switch (m_asked) {
    case AskedAnswer::Version:
        if (const std::optional<std::string_view> version =
                ParseVersionAnswer(m_received.CString(), m_dialect->versionMarker)) {
            m_snapshot.version = std::string(*version);
            if (m_exchangeSink) {
                m_exchange.version = m_snapshot.version;
            }
        } else {
            m_snapshot.KeepUnreadableAnswer(m_received.View(), m_dialect->versionMarker);
        }
        break;
    case AskedAnswer::Getdate: {
        const std::optional<DeviceClockReading> reading = ParseGetdateAnswer(m_received.CString());
        m_snapshot.TakeClockReading(reading, m_dialect->microsAdvance, m_lastSendPcMicros, now);
        if (m_exchangeSink) {
            m_exchange.clock = reading;
        }
        if (!reading) {
            m_snapshot.KeepUnreadableAnswer(m_received.View(), kGetdateMarker);
        } else if (reading->status == 'M') {
            // Undoes the alternation that follows, so that getdate is asked again instead of the peer table.
            m_bPollGetdate = !m_bPollGetdate;
        }
        break;
    }
    case AskedAnswer::PeerTable:
        // The prompt's line is the table's last, as when the table is read whole.
        m_peerTable.OnLine(m_received.View());
        m_snapshot.timeSyncState = m_peerTable.Result();
        m_snapshot.peerTable = m_peerTable.Table();
        if (m_exchangeSink) {
            m_exchange.peers = m_snapshot.peerTable;
        }
        m_bReadWhole = true;
        break;
    case AskedAnswer::None:
        return;
    }
    ++m_snapshotRevision;
}

void CDeviceDialogue::PlaceCommand(std::string command, AskedAnswer asked, std::uint32_t pacingMs,
                                   const LinkInstant& now) {
    m_asked = asked;
    m_peerTable = CPeerTableReader(m_dialect->peerTableMarker);
    m_command = std::move(command);
    m_sent = 0;
    m_bSendStarted = false;
    m_sendTime = now.monotonic + std::chrono::milliseconds(pacingMs);
}

std::uint32_t CDeviceDialogue::PollPacingMs() const {
    return m_bReadWhole ? std::max(m_timing.pacingMs, m_timing.pollPacingMs) : m_timing.pacingMs;
}

void CDeviceDialogue::BeginExchange(const std::string& command) {
    if (!m_exchangeSink) {
        return;
    }
    m_exchange = DeviceExchange{};
    m_exchange.sentPcMicros = m_lastSendPcMicros;
    m_exchange.commandHidden = command == kPasswordCommand;
    if (!m_exchange.commandHidden) {
        m_exchange.command = command;
    }
    m_exchange.reader = [this] {
        switch (m_asked) {
        case AskedAnswer::Version:
            return ExchangeReader::Version;
        case AskedAnswer::Getdate:
            return ExchangeReader::Getdate;
        case AskedAnswer::PeerTable:
            return ExchangeReader::PeerTable;
        case AskedAnswer::None:
            break;
        }
        return ExchangeReader::None;
    }();
}

void CDeviceDialogue::EndExchange(const LinkInstant& now) {
    if (!m_exchangeSink) {
        return;
    }
    m_exchange.answeredPcMicros = now.pcMicros;
    // A cut never leaves half a character behind it.
    m_exchange.answer.resize(WholeCharacterLength(m_exchange.answer, m_exchange.answer.size()));
    m_exchangeSink(std::move(m_exchange));
    m_exchange = DeviceExchange{};
}

void CDeviceDialogue::Trace(char direction, std::string_view text) const {
    if (m_trace) {
        m_trace(direction, text);
    }
}
