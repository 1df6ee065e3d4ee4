#pragma once

#include "StringLookup.h"

#include "health/Health.h"
#include "link/LinkState.h"

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

// How the window's connection stands, as far as alarms go.
enum class AlarmConnection {
    Closed,     // never connected, or ended by the user: nothing to report
    Connected,  // the lamps and problems of the reading count
    Lost,       // ended by a fault; it stays lost until connected again
    Restarting, // ended by the restart of a confirmed address change: not a fault
};

// What the window shows on one refresh tick, or when its connection changes.
struct AlarmReading {
    AlarmConnection connection = AlarmConnection::Closed;
    IndicatorState gps = -1;
    IndicatorState timeSync = -1;
    // The health rules' problems of this reading, any severity; they count only while both lamps are
    // determined.
    std::vector<Problem> problems;
};

// What an alarm is about: the connection, a lamp, or one health rule (problem counts only for Problem).
struct AlarmSubject {
    enum class Topic { Connection, GpsLock, TimeSync, Problem };
    Topic topic = Topic::Connection;
    ProblemCode problem = ProblemCode::Unreachable;

    auto operator<=>(const AlarmSubject&) const = default;
};

enum class AlarmKind { Loss, Recovery };
enum class AlarmUrgency { Normal, Critical };

// One desktop alarm to raise.
struct Alarm {
    AlarmKind kind = AlarmKind::Loss;
    AlarmSubject subject;
    std::string summary; // one short line: "GPS lock lost"
    std::string body;    // what it means, or the problem's own text
    AlarmUrgency urgency = AlarmUrgency::Normal;
};

// Decides which alarms a new reading raises: one for each change for the worse and one for each
// recovery, never one while a state stays. What the device first shows on a connection (a lamp's first
// determined state, the problems of the first reading with both lamps determined) is what the user sees
// on connecting, so only changes after it count. A subject that flaps raises at most one alarm a
// minute, which then counts the changes held back. Pure: the caller gives the time.
class CAlarmTracker {
public:
    using Clock = std::chrono::steady_clock;

    // The least time between two alarms of one subject.
    static constexpr Clock::duration kQuietTime = std::chrono::minutes(1);

    // A tracker that takes its texts from strings.
    explicit CAlarmTracker(StringLookup strings);

    // Takes the reading made at now; the alarms to raise now: the connection's first, then the GPS and
    // time-sync lamps', then the problems' in the order of their codes.
    std::vector<Alarm> Update(const AlarmReading& reading, Clock::time_point now);

private:
    // A subject's state in one reading: bad, and for a problem its severity and text.
    struct State {
        bool bad = false;
        Severity severity = Severity::Ok;
        std::string text;
    };
    struct Track {
        std::optional<State> state; // nothing while unknown
        std::string lastText;       // the problem's text when it was last seen, for its recovery
        std::optional<Clock::time_point> lastAlarm;
        int heldChanges = 0; // changes since the last alarm
    };

    // A lamp's or the connection's state, which is only bad or good.
    static State Plain(bool bad);
    // Every subject's state in a reading; nothing for one that is unknown.
    using Observed = std::map<AlarmSubject, std::optional<State>>;

    Observed Observe(const AlarmReading& reading);
    std::optional<State> ConnectionState(AlarmConnection connection);
    void ObserveProblems(const std::vector<Problem>& problems, Observed& observed);
    std::optional<Alarm> Apply(const AlarmSubject& subject, const std::optional<State>& state,
                               Clock::time_point now);
    Alarm Compose(const AlarmSubject& subject, const Track& track) const;

    StringLookup m_strings;
    std::map<AlarmSubject, Track> m_tracks;
    bool m_wasRead = false; // the last reading was connected with both lamps determined
};
