#include "AlarmTracker.h"

#include "ui/res/resource.h"

#include <utility>

namespace {

using Topic = AlarmSubject::Topic;

// The string ids of the alarms of a subject with texts of its own.
struct TopicTexts {
    Topic topic;
    int lost;
    int lostBody;
    int regained;
    int regainedBody;
};

constexpr TopicTexts kTopicTexts[] = {
    {Topic::Connection, IDS_ALARM_CONNECTION_LOST, IDS_ALARM_CONNECTION_LOST_BODY,
     IDS_ALARM_CONNECTION_RESTORED, IDS_ALARM_CONNECTION_RESTORED_BODY},
    {Topic::GpsLock, IDS_ALARM_GPS_LOST, IDS_ALARM_GPS_LOST_BODY, IDS_ALARM_GPS_REGAINED,
     IDS_ALARM_GPS_REGAINED_BODY},
    {Topic::TimeSync, IDS_ALARM_SYNC_LOST, IDS_ALARM_SYNC_LOST_BODY, IDS_ALARM_SYNC_REGAINED,
     IDS_ALARM_SYNC_REGAINED_BODY},
};

const TopicTexts& TextsOf(Topic topic) {
    for (const TopicTexts& texts : kTopicTexts) {
        if (texts.topic == topic) {
            return texts;
        }
    }
    return kTopicTexts[0];
}

// Whether a problem raises alarms of its own: a rule at WARNING or CRITICAL that no lamp already
// reports (an unlocked receiver turns the GPS lamp red, a missing system peer the time-sync lamp).
bool RaisesAlarms(const Problem& problem) {
    const bool alarming = problem.severity == Severity::Warning || problem.severity == Severity::Critical;
    return alarming && problem.code != ProblemCode::GpsUnlocked && problem.code != ProblemCode::NoSystemPeer;
}

} // namespace

CAlarmTracker::CAlarmTracker(StringLookup strings) : m_strings(std::move(strings)) {}

std::vector<Alarm> CAlarmTracker::Update(const AlarmReading& reading, Clock::time_point now) {
    std::vector<Alarm> alarms;
    for (const auto& [subject, state] : Observe(reading)) {
        if (std::optional<Alarm> alarm = Apply(subject, state, now)) {
            alarms.push_back(std::move(*alarm));
        }
    }
    return alarms;
}

CAlarmTracker::Observed CAlarmTracker::Observe(const AlarmReading& reading) {
    const bool connected = reading.connection == AlarmConnection::Connected;
    const auto lamp = [connected](IndicatorState lampState) {
        return connected && lampState >= 0 ? std::optional<State>(Plain(lampState == 0)) : std::nullopt;
    };
    Observed observed;
    observed[AlarmSubject{Topic::Connection}] = ConnectionState(reading.connection);
    observed[AlarmSubject{Topic::GpsLock}] = lamp(reading.gps);
    observed[AlarmSubject{Topic::TimeSync}] = lamp(reading.timeSync);
    // The device answers the lamps' questions a few exchanges apart, and its problems come with them:
    // before both lamps are read, what is missing may only not be read yet.
    const bool read = connected && reading.gps >= 0 && reading.timeSync >= 0;
    // A problem seen before and missing now is gone.
    for (const auto& [subject, track] : m_tracks) {
        if (subject.topic == Topic::Problem) {
            observed[subject] = read ? std::optional<State>(State{}) : std::nullopt;
        }
    }
    if (read) {
        ObserveProblems(reading.problems, observed);
    }
    m_wasRead = read;
    return observed;
}

std::optional<CAlarmTracker::State> CAlarmTracker::ConnectionState(AlarmConnection connection) {
    switch (connection) {
    case AlarmConnection::Connected:
        return Plain(false);
    case AlarmConnection::Lost:
        return Plain(true);
    case AlarmConnection::Closed:
    case AlarmConnection::Restarting:
        break;
    }
    // Ending a connection on purpose is no news, but it does not make a lost one good again.
    const std::optional<State>& last = m_tracks[AlarmSubject{Topic::Connection}].state;
    return last && last->bad ? last : std::nullopt;
}

void CAlarmTracker::ObserveProblems(const std::vector<Problem>& problems, Observed& observed) {
    for (const Problem& problem : problems) {
        if (!RaisesAlarms(problem)) {
            continue;
        }
        const AlarmSubject subject{Topic::Problem, problem.code};
        // After the first whole reading a problem not seen before is new; on that reading it is part of
        // what the user sees on connecting.
        Track& track = m_tracks[subject];
        if (m_wasRead && !track.state) {
            track.state = State{};
        }
        observed[subject] = State{.bad = true, .severity = problem.severity, .text = problem.text};
    }
}

std::optional<Alarm> CAlarmTracker::Apply(const AlarmSubject& subject, const std::optional<State>& state,
                                          Clock::time_point now) {
    Track& track = m_tracks[subject];
    if (!state) {
        // Changes held back belong to a state no longer known; the next known one starts afresh.
        track.state.reset();
        track.heldChanges = 0;
        return std::nullopt;
    }
    if (track.state && track.state->bad != state->bad) {
        ++track.heldChanges;
    }
    track.state = state;
    if (state->bad) {
        track.lastText = state->text;
    }
    const bool quiet = !track.lastAlarm || now - *track.lastAlarm >= kQuietTime;
    if (track.heldChanges == 0 || !quiet) {
        return std::nullopt;
    }
    Alarm alarm = Compose(subject, track);
    track.lastAlarm = now;
    track.heldChanges = 0;
    return alarm;
}

CAlarmTracker::State CAlarmTracker::Plain(bool bad) {
    return State{.bad = bad, .severity = Severity::Ok, .text = std::string()};
}

Alarm CAlarmTracker::Compose(const AlarmSubject& subject, const Track& track) const {
    const State& state = *track.state;
    Alarm alarm;
    alarm.kind = state.bad ? AlarmKind::Loss : AlarmKind::Recovery;
    alarm.subject = subject;
    if (subject.topic == Topic::Problem) {
        alarm.summary = state.bad ? FillIn(m_strings(IDS_ALARM_PROBLEM_FOUND), {SeverityName(state.severity)})
                                  : m_strings(IDS_ALARM_PROBLEM_CLEARED);
        alarm.body = track.lastText;
    } else {
        const TopicTexts& texts = TextsOf(subject.topic);
        alarm.summary = m_strings(state.bad ? texts.lost : texts.regained);
        alarm.body = m_strings(state.bad ? texts.lostBody : texts.regainedBody);
    }
    // A lost lamp or connection is as grave as a CRITICAL rule: the device's time can no longer be trusted.
    const bool critical = subject.topic != Topic::Problem || state.severity == Severity::Critical;
    alarm.urgency = state.bad && critical ? AlarmUrgency::Critical : AlarmUrgency::Normal;
    if (track.heldChanges > 1) {
        alarm.summary =
            FillIn(m_strings(IDS_ALARM_CHANGES), {alarm.summary, std::to_string(track.heldChanges)});
    }
    return alarm;
}
