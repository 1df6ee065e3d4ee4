#pragma once

#include "Alarm.h"
#include "resources/StringLookup.h"

#include "devicelog/ReadingObserver.h"

#include <chrono>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Turns the device's transitions into alarms and paces them: a loss and its recovery are each said when
// they happen. A loss is always said at once, with the count of its subject's changes when there were
// more than two within a minute; a recovery of such a subject only takes its loss off the screen, and is
// said once at the end of that minute with the count and the state then, so that what is on screen never
// contradicts the state the device is in. What the user sees on connecting and the firmware version are
// no alarms. Pure: the caller gives the time, and calls OnTick when NextDue comes.
class CAlarmPacer {
public:
    using Clock = std::chrono::steady_clock;

    // The span over which a subject's changes are counted.
    static constexpr Clock::duration kCountedSpan = std::chrono::minutes(1);
    // The changes of a subject said at once within that span; recoveries after them are held.
    static constexpr std::size_t kSaidAtOnce = 2;

    // A pacer that takes its texts from strings.
    explicit CAlarmPacer(StringLookup strings);

    // The alarms of transitions that are said now.
    std::vector<Alarm> OnTransitions(const std::vector<Transition>& transitions, Clock::time_point now);
    // The held alarms whose minute has ended by now.
    std::vector<Alarm> OnTick(Clock::time_point now);
    // When the next held alarm is due; nothing while none is held.
    std::optional<Clock::time_point> NextDue() const;
    // Drops what is held and what was counted: the device's alarms ended, or the user switched them off.
    void Forget() { m_tracks.clear(); }

    // Whether a transition is news for an alarm: a change after what the user saw on connecting, of the
    // connection, a lamp, a problem or the clock.
    static bool IsAlarming(const Transition& transition);

private:
    struct Track {
        std::deque<Clock::time_point> changes; // within the counted span, and the last held alarm said
        bool holding = false;                  // a recovery waits to be said
        Clock::time_point heldUntil;
        Transition latest; // the state the subject is in
    };

    Alarm Take(const Transition& transition, Clock::time_point now);
    Alarm Compose(const Transition& transition, std::size_t changes) const;
    // The summary of a problem's or the clock's transition.
    std::string ProblemSummary(const Transition& transition) const;

    StringLookup m_strings;
    std::map<std::pair<std::string, TransitionSubject>, Track> m_tracks;
};
