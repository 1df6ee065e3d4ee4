#include "DeviceLog.h"

#include "devicelog/LogReading.h"

#include <utility>

void CDeviceLog::SetJournal(std::optional<std::string> journalPath) {
    m_journal.reset();
    if (journalPath) {
        m_journal.emplace(std::move(*journalPath));
    }
}

void CDeviceLog::OnReading(std::int64_t pcMicros, const DeviceRecord& record) {
    // A clock set back makes the difference negative: that reading is taken, and the history drops
    // what it went back past.
    if (m_lastReadingMicros) {
        const std::int64_t since = pcMicros - *m_lastReadingMicros;
        if (since >= 0 && since < kReadingMicros) {
            return;
        }
    }
    m_lastReadingMicros = pcMicros;
    m_history.Add(ReadingOf(record, pcMicros));
    // As the history took it: the first of a run says so.
    const LogReading& kept = m_history.Latest();
    if (m_journal && m_journalPace.Keeps(kept)) {
        Journal(m_journal->Append(JournalReading{m_state.address, kept}));
    }
}

void CDeviceLog::OnAction(std::int64_t utcMicros, const WindowAction& action) {
    if (action.kind == WindowAction::Kind::Connected) {
        FollowDevice(action.address);
    } else if (action.kind == WindowAction::Kind::ConnectionLost ||
               action.kind == WindowAction::Kind::Disconnected) {
        m_history.MarkGap();
        m_lastReadingMicros.reset();
    }
    Record(ActionEvents(m_state, utcMicros, action, m_strings));
}

void CDeviceLog::OnTransitions(std::int64_t utcMicros, const std::vector<Transition>& transitions) {
    Record(TransitionEvents(utcMicros, transitions, m_strings));
}

// The device that moved to address after a change is the same one, and its log goes on.
void CDeviceLog::FollowDevice(const std::string& address) {
    const bool sameDevice = address == m_state.address || (m_state.movingTo && *m_state.movingTo == address);
    if (sameDevice) {
        return;
    }
    m_history = CReadingHistory{};
    m_journalPace.Forget();
    m_events.clear();
    ++m_revision;
    if (m_journal) {
        JournalContents earlier = m_journal->ReadBack(address);
        for (DeviceEvent& event : earlier.events) {
            Keep(LoggedEvent{std::move(event), true});
        }
        for (const LogReading& reading : earlier.readings) {
            m_history.Add(reading);
        }
        // This connection's readings join none of those.
        m_history.MarkGap();
    }
}

void CDeviceLog::Record(const std::vector<DeviceEvent>& events) {
    for (const DeviceEvent& event : events) {
        if (m_journal) {
            Journal(m_journal->Append(event));
        }
        Keep(LoggedEvent{event, false});
    }
}

void CDeviceLog::Journal(const std::optional<std::string>& warning) {
    if (warning) {
        m_warning = *warning;
    }
}

void CDeviceLog::Keep(LoggedEvent event) {
    if (m_events.size() == kMostEvents) {
        m_events.pop_front();
    }
    m_events.push_back(std::move(event));
    ++m_revision;
}
