#include "AlarmPacer.h"

#include "resources/resource.h"

#include "health/ProblemCode.h"

namespace {

using Topic = TransitionSubject::Topic;

// The string ids of the alarms of a topic with texts of its own.
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

const TopicTexts* TextsOf(Topic topic) {
    for (const TopicTexts& texts : kTopicTexts) {
        if (texts.topic == topic) {
            return &texts;
        }
    }
    return nullptr;
}

// Whether the state a transition leads to is worse than the one before. A problem's severity can only
// change between WARNING and CRITICAL, the two that are news.
bool IsWorse(const Transition& transition) {
    switch (transition.kind) {
    case TransitionKind::Lost:
    case TransitionKind::Found:
    case TransitionKind::Stepped:
        return true;
    case TransitionKind::SeverityChanged:
        return transition.severity == Severity::Critical;
    case TransitionKind::Regained:
    case TransitionKind::Cleared:
    case TransitionKind::FirmwareSeen:
    case TransitionKind::FirmwareChanged:
        break;
    }
    return false;
}

} // namespace

CAlarmPacer::CAlarmPacer(StringLookup strings) : m_strings(std::move(strings)) {}

bool CAlarmPacer::IsAlarming(const Transition& transition) {
    return !transition.onConnecting && transition.subject.topic != Topic::Firmware;
}

std::vector<Alarm> CAlarmPacer::OnTransitions(const std::vector<Transition>& transitions,
                                              Clock::time_point now) {
    std::vector<Alarm> alarms;
    for (const Transition& transition : transitions) {
        if (IsAlarming(transition)) {
            alarms.push_back(Take(transition, now));
        }
    }
    return alarms;
}

Alarm CAlarmPacer::Take(const Transition& transition, Clock::time_point now) {
    Track& track = m_tracks[{transition.address, transition.subject}];
    track.latest = transition;
    while (!track.changes.empty() && now - track.changes.front() >= kCountedSpan) {
        track.changes.pop_front();
    }
    track.changes.push_back(now);
    const bool often = track.changes.size() > kSaidAtOnce;
    if (IsWorse(transition) || !often) {
        track.holding = false;
        return Compose(transition, often ? track.changes.size() : 1);
    }
    if (!track.holding) {
        // The minute that counts is the one the first of the changes counted began.
        track.holding = true;
        track.heldUntil = track.changes.front() + kCountedSpan;
    }
    return Alarm{.device = transition.address,
                 .subject = transition.subject,
                 .kind = AlarmKind::Withdrawal,
                 .summary = {},
                 .shortSummary = {},
                 .body = {},
                 .urgency = AlarmUrgency::Normal};
}

std::vector<Alarm> CAlarmPacer::OnTick(Clock::time_point now) {
    std::vector<Alarm> alarms;
    for (auto& [subject, track] : m_tracks) {
        if (!track.holding || now < track.heldUntil) {
            continue;
        }
        alarms.push_back(Compose(track.latest, track.changes.size()));
        // The alarm said now counts against the next minute, as a change does.
        track.changes.assign(1, now);
        track.holding = false;
    }
    return alarms;
}

std::optional<CAlarmPacer::Clock::time_point> CAlarmPacer::NextDue() const {
    std::optional<Clock::time_point> due;
    for (const auto& [subject, track] : m_tracks) {
        if (track.holding && (!due || track.heldUntil < *due)) {
            due = track.heldUntil;
        }
    }
    return due;
}

std::string CAlarmPacer::ProblemSummary(const Transition& transition) const {
    const std::string severity = SeverityName(transition.severity);
    switch (transition.kind) {
    case TransitionKind::Found:
        return FillIn(m_strings(IDS_ALARM_PROBLEM_FOUND), {severity});
    case TransitionKind::SeverityChanged:
        return FillIn(m_strings(IDS_ALARM_PROBLEM_SEVERITY), {severity});
    case TransitionKind::Stepped:
        return m_strings(IDS_ALARM_CLOCK_STEPPED);
    case TransitionKind::Lost:
    case TransitionKind::Regained:
    case TransitionKind::Cleared:
    case TransitionKind::FirmwareSeen:
    case TransitionKind::FirmwareChanged:
        break;
    }
    return m_strings(IDS_ALARM_PROBLEM_CLEARED);
}

Alarm CAlarmPacer::Compose(const Transition& transition, std::size_t changes) const {
    Alarm alarm;
    alarm.device = transition.address;
    alarm.subject = transition.subject;
    const bool worse = IsWorse(transition);
    alarm.kind = worse ? AlarmKind::Loss : AlarmKind::Recovery;
    std::string summary;
    if (const TopicTexts* texts = TextsOf(transition.subject.topic)) {
        summary = m_strings(worse ? texts->lost : texts->regained);
        alarm.body = m_strings(worse ? texts->lostBody : texts->regainedBody);
        // A lost lamp or connection is as grave as a CRITICAL rule: the device's time can no longer be
        // trusted.
        alarm.urgency = worse ? AlarmUrgency::Critical : AlarmUrgency::Normal;
    } else {
        summary = ProblemSummary(transition);
        // A cleared problem's text tells of the state that is over.
        alarm.body = transition.kind == TransitionKind::Cleared
                         ? FillIn(m_strings(IDS_ALARM_PROBLEM_CLEARED_BODY),
                                  {ProblemCodeName(transition.subject.problem)})
                         : transition.text;
        alarm.urgency = worse && transition.severity == Severity::Critical ? AlarmUrgency::Critical
                                                                           : AlarmUrgency::Normal;
    }
    // A notification is read away from the window, where only its summary says which device it is.
    alarm.summary = FillIn(m_strings(IDS_ALARM_DEVICE), {transition.address, summary});
    if (changes > 1) {
        alarm.shortSummary = alarm.summary;
        alarm.summary = FillIn(m_strings(IDS_ALARM_DEVICE),
                               {transition.address, FillIn(m_strings(IDS_ALARM_CHANGES),
                                                           {std::move(summary), std::to_string(changes)})});
    }
    return alarm;
}
