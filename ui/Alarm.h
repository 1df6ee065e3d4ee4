#pragma once

#include "devicelog/ReadingObserver.h"

#include <string>

// A withdrawal says nothing new: it takes the alarm of its device and subject off the screen, since the
// state that alarm told of is over and the one now is not said yet.
enum class AlarmKind { Loss, Recovery, Withdrawal };
enum class AlarmUrgency { Normal, Critical };

// One alarm to raise outside the window.
struct Alarm {
    std::string device; // the device's address: an alarm replaces the last one of its device and subject
    TransitionSubject subject;
    AlarmKind kind = AlarmKind::Loss;
    std::string summary; // one short line that names the device: "192.168.42.7: GPS lock lost"
    // The summary without its count of changes, for a title too short for the whole; empty when the
    // summary has no count.
    std::string shortSummary;
    std::string body; // what it means, or the problem's own text
    AlarmUrgency urgency = AlarmUrgency::Normal;
};
