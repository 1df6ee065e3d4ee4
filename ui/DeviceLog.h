#pragma once

#include "devicelog/EventDerivation.h"
#include "devicelog/Journal.h"
#include "devicelog/ReadingHistory.h"
#include "devicelog/ReadingPace.h"
#include "resources/StringLookup.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct DeviceRecord;

// An event of the log window's list; earlier ones were read back from the journal.
struct LoggedEvent {
    DeviceEvent event;
    bool earlier = false;
};

// The device log of one window: the readings of the last day for the chart, the events of the device it
// follows, and the journal they are appended to. The journal is a help: a failure to write it is a
// warning for the log window, never a reason to end anything.
class CDeviceLog {
public:
    // The most events the window keeps: the latest.
    static constexpr std::size_t kMostEvents = CJournal::kMostReadBack;
    // Readings closer together than this are one for the chart.
    static constexpr std::int64_t kReadingMicros = 1000000;

    // A log whose events take their texts from strings.
    explicit CDeviceLog(StringLookup strings) : m_strings(std::move(strings)) {}

    // Keeps the journal at journalPath; without one, events stay in memory alone.
    void SetJournal(std::optional<std::string> journalPath);
    // The journal could not even be placed: warning says why.
    void SetWarning(std::string warning) { m_warning = std::move(warning); }

    // A reading the link took at pcMicros on this PC's clock, for the chart: kept unless it is the
    // reading kept last or comes within a second after it; the journal keeps those its pace chooses.
    void OnReading(std::int64_t pcMicros, const DeviceRecord& record);
    // What the window did at utcMicros. Connecting to another device than the one followed starts its
    // log afresh with its earlier events and readings from the journal.
    void OnAction(std::int64_t utcMicros, const WindowAction& action);
    // The device's transitions at utcMicros, as the window's observer of its readings found them.
    void OnTransitions(std::int64_t utcMicros, const std::vector<Transition>& transitions);

    // The device followed; empty before the first connection.
    const std::string& Address() const { return m_state.address; }
    const CReadingHistory& History() const { return m_history; }
    // Oldest first.
    const std::deque<LoggedEvent>& Events() const { return m_events; }
    // The latest warning of the journal; empty while there is none.
    const std::string& Warning() const { return m_warning; }
    // Changes whenever an event is added or the log starts afresh.
    std::uint64_t Revision() const { return m_revision; }

private:
    void FollowDevice(const std::string& address);
    void Record(const std::vector<DeviceEvent>& events);
    void Journal(const std::optional<std::string>& warning);
    void Keep(LoggedEvent event);

    StringLookup m_strings;
    std::optional<CJournal> m_journal;
    DeviceLogState m_state;
    CReadingHistory m_history;
    CReadingPace m_journalPace;
    std::deque<LoggedEvent> m_events;
    std::optional<std::int64_t> m_lastReadingMicros;
    std::string m_warning;
    std::uint64_t m_revision = 0;
};
